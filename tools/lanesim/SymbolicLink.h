#pragma once

#include <QString>
#include <filesystem>
#include <memory>

namespace lanesim {

// A symbolic link that lives as long as the object. It replaces an older
// symbolic link of the same name (one a killed run left behind) but nothing
// else, and on its way out removes the link only if it still points where it
// was made to, so that a later run's link survives an earlier run's end.
class SymbolicLink {
 public:
  static std::unique_ptr<SymbolicLink> Make(const std::filesystem::path& link,
                                            const std::filesystem::path& target, QString& error);
  ~SymbolicLink();
  SymbolicLink(const SymbolicLink&) = delete;
  SymbolicLink& operator=(const SymbolicLink&) = delete;

 private:
  SymbolicLink(std::filesystem::path link, std::filesystem::path target);

  std::filesystem::path link_;
  std::filesystem::path target_;
};

}  // namespace lanesim
