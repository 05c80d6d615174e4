#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

#include "ConsoleFace.h"
#include "FontConfiguration.h"
#include "QtMessageBoxSink.h"
#include "VirtualLaneConsole.h"

int main(int argc, char** argv) {
  StartFontConfiguration();
  QApplication application(argc, argv);
  UseConsoleFace();
  QApplication::setApplicationName(QStringLiteral("LaneConsole"));

  const QString pictureDirectory =
      QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QDir().mkpath(pictureDirectory);

  QtMessageBoxSink messageBoxes;
  VirtualLaneConsole console(camera::LaneTimings{}, messageBoxes, pictureDirectory,
                             SessionLog::PathFor(pictureDirectory, QDateTime::currentDateTime()));
  console.window->show();
  return application.exec();
}
