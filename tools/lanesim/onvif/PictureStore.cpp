#include "PictureStore.h"

namespace lanesim::onvif {

int PictureStore::Add(QByteArray closeUp, QByteArray scene) {
  const std::lock_guard lock(mutex_);
  if (plates_.size() == kMostPlates) plates_.erase(plates_.begin());
  const int id = nextId_++;
  plates_[id] = {std::move(closeUp), std::move(scene)};
  return id;
}

std::optional<QByteArray> PictureStore::Get(int id, Kind kind) const {
  const std::lock_guard lock(mutex_);
  const auto found = plates_.find(id);
  if (found == plates_.end()) return std::nullopt;
  return kind == Kind::CloseUp ? found->second.closeUp : found->second.scene;
}

}  // namespace lanesim::onvif
