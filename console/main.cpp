#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QStandardPaths>
#include <QThread>

#include "ConsoleFace.h"
#include "FontConfiguration.h"
#include "QtMessageBoxSink.h"
#include "VirtualLane.h"
#include "utVideoStream.h"

int main(int argc, char** argv) {
  StartFontConfiguration();
  QApplication application(argc, argv);
  UseConsoleFace();
  QApplication::setApplicationName(QStringLiteral("LaneConsole"));

  const QString pictureDirectory =
      QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QDir().mkpath(pictureDirectory);

  camera::VirtualLaneWorld world(camera::LaneTimings{});
  camera::VirtualCamera sdk(world);
  camera::VirtualVideo video(world);
  QtMessageBoxSink messageBoxes;
  ConsoleSeams seams;
  seams.sdkBackend = &sdk;
  seams.videoBackend = &video;
  seams.pause = [](int milliseconds) { QThread::msleep(static_cast<unsigned long>(milliseconds)); };
  seams.messageBoxes = &messageBoxes;
  seams.pictureDirectory = pictureDirectory;
  seams.sessionLogPath = SessionLog::PathFor(pictureDirectory, QDateTime::currentDateTime());

  TfmVideoStream fmVideoStream(seams);
  fmVideoStream.show();
  return application.exec();
}
