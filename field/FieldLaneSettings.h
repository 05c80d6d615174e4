#pragma once

#include <QString>
#include <optional>

#include "CameraSettings.h"
#include "LineSettings.h"
#include "PlateReceiver.h"

namespace field {

// A lane's video as the engineer names it: a URL GStreamer plays, "{address}"
// standing for the address typed in the window.
struct VideoSettings {
  QString url;
  int latencyMs = 100;
};

// The pieces of a real lane the command line names; none: the virtual lane.
struct FieldLaneSettings {
  std::optional<LineSettings> serial;
  std::optional<VideoSettings> video;
  std::optional<PlateListenSettings> plates;
  std::optional<CameraSettings> camera;

  bool IsEmpty() const { return !camera && !serial && !video && !plates; }
  // For the window title: what the console is attached to, credentials left out.
  QString Describe() const;
};

}  // namespace field
