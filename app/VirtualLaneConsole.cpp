#include "VirtualLaneConsole.h"

VirtualLaneConsole::VirtualLaneConsole(virtual_lane::LaneTimings timings,
                                       MessageBoxSink& messageBoxes,
                                       const QString& pictureDirectory,
                                       const QString& sessionLogPath,
                                       std::function<void(int)> pause)
    : world(timings) {
  window = std::make_unique<TfmVideoStream>(
      ConsoleSeams{&sdk, &video, std::move(pause), &messageBoxes, pictureDirectory, sessionLogPath,
                   QStringLiteral("虚拟车道"), &cameraFinder});
}
