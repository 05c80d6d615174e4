#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "ConsoleSeams.h"
#include "VirtualLane.h"
#include "utVideoStream.h"

// The console wired to the in-process virtual lane, as laneconsole runs it;
// the screenshot tool and the benchmarks run the very same wiring.
struct VirtualLaneConsole {
  camera::VirtualLaneWorld world;
  camera::VirtualCamera sdk{world};
  camera::VirtualVideo video{world};
  std::unique_ptr<TfmVideoStream> window;

  // `messageBoxes` must outlive the console.
  VirtualLaneConsole(camera::LaneTimings timings, MessageBoxSink& messageBoxes,
                     const QString& pictureDirectory, const QString& sessionLogPath = {},
                     std::function<void(int)> pause = SleepingPause);

  static void SleepingPause(int milliseconds);
};
