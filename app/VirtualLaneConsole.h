#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "ConsoleSeams.h"
#include "ImageSink.h"
#include "VirtualLane.h"
#include "WsDiscoveryFinder.h"
#include "utVideoStream.h"

// The console wired to the in-process virtual lane, as laneconsole runs it;
// the screenshot tool and the benchmarks run the very same wiring.
struct VirtualLaneConsole {
  virtual_lane::VirtualLaneWorld world;
  virtual_lane::VirtualCamera sdk{world};
  // The lane's picture is shown from a thread of its own, as a camera's stream is.
  field::ImageSink frames;
  virtual_lane::VirtualVideo video{world, &frames};
  field::onvif::WsDiscoveryFinder cameraFinder;
  std::unique_ptr<TfmVideoStream> window;

  // `messageBoxes` must outlive the console.
  VirtualLaneConsole(virtual_lane::LaneTimings timings, MessageBoxSink& messageBoxes,
                     const QString& pictureDirectory, const QString& sessionLogPath = {},
                     std::function<void(int)> pause = SleepingPause);
};
