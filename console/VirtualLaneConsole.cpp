#include "VirtualLaneConsole.h"

#include <QThread>

VirtualLaneConsole::VirtualLaneConsole(virtual_lane::LaneTimings timings,
                                       MessageBoxSink& messageBoxes,
                                       const QString& pictureDirectory,
                                       const QString& sessionLogPath,
                                       std::function<void(int)> pause)
    : world(timings) {
  ConsoleSeams seams;
  seams.sdkBackend = &sdk;
  seams.videoBackend = &video;
  seams.pause = std::move(pause);
  seams.messageBoxes = &messageBoxes;
  seams.pictureDirectory = pictureDirectory;
  seams.sessionLogPath = sessionLogPath;
  window = std::make_unique<TfmVideoStream>(seams);
}

void VirtualLaneConsole::SleepingPause(int milliseconds) {
  QThread::msleep(static_cast<unsigned long>(milliseconds));
}
