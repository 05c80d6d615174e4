#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

#include "ConsoleFace.h"
#include "QtMessageBoxSink.h"
#include "VirtualLaneConsole.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  UseConsoleFace();
  QApplication::setApplicationName(QStringLiteral("LaneConsole"));

  const QString pictureDirectory =
      QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QDir().mkpath(pictureDirectory);

  QtMessageBoxSink messageBoxes;
  VirtualLaneConsole console(virtual_lane::LaneTimings{}, messageBoxes, pictureDirectory,
                             SessionLog::PathFor(pictureDirectory, QDateTime::currentDateTime()));
  console.window->show();
  return application.exec();
}
