#include "SymbolicLink.h"

#include <system_error>

namespace lanesim {
namespace fs = std::filesystem;

namespace {

QString Describe(const fs::path& path, const std::error_code& error) {
  return QStringLiteral("%1: %2").arg(QString::fromStdString(path.string()),
                                      QString::fromStdString(error.message()));
}

}  // namespace

std::unique_ptr<SymbolicLink> SymbolicLink::Make(const fs::path& link, const fs::path& target,
                                                 QString& error) {
  std::error_code failure;
  const fs::file_status status = fs::symlink_status(link, failure);
  if (fs::is_symlink(status)) {
    fs::remove(link, failure);
    if (failure) {
      error = Describe(link, failure);
      return nullptr;
    }
  } else if (fs::exists(status)) {
    error = QStringLiteral("%1 exists and is no symbolic link; not replacing it")
                .arg(QString::fromStdString(link.string()));
    return nullptr;
  }
  fs::create_symlink(target, link, failure);
  if (failure) {
    error = Describe(link, failure);
    return nullptr;
  }
  return std::unique_ptr<SymbolicLink>(new SymbolicLink(link, target));
}

SymbolicLink::SymbolicLink(fs::path link, fs::path target)
    : link_(std::move(link)), target_(std::move(target)) {}

SymbolicLink::~SymbolicLink() {
  std::error_code failure;
  if (fs::read_symlink(link_, failure) == target_ && !failure) fs::remove(link_, failure);
}

}  // namespace lanesim
