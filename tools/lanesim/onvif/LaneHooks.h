#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

#include "RelayOutput.h"

namespace lanesim::onvif {

// What the camera's services ask of the lane. Each is called on a server
// thread and hands the work to the lane's thread.
struct LaneHooks {
  // The current frame as JPEG, or nullopt when the lane did not answer in time.
  std::function<std::optional<QByteArray>()> snapshot;
  std::function<void(const RelayCommand&)> relay;
  // One of lanesim's activity lines.
  std::function<void(const QString&)> note;
};

}  // namespace lanesim::onvif
