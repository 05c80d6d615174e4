#pragma once

#include <QByteArray>
#include <map>
#include <mutex>
#include <optional>

namespace lanesim::onvif {

// The pictures of the lane's latest plates, for the addresses their
// notifications name. Any thread.
class PictureStore {
 public:
  static constexpr std::size_t kMostPlates = 32;
  enum class Kind { CloseUp, Scene };

  // The id the plate's pictures are known by.
  int Add(QByteArray closeUp, QByteArray scene);
  std::optional<QByteArray> Get(int id, Kind kind) const;

 private:
  struct Pictures {
    QByteArray closeUp;
    QByteArray scene;
  };
  mutable std::mutex mutex_;
  std::map<int, Pictures> plates_;
  int nextId_ = 1;
};

}  // namespace lanesim::onvif
