#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QStandardPaths>
#include <cstdio>

#include "CommandLine.h"
#include "ConsoleFace.h"
#include "FieldLaneConsole.h"
#include "QtMessageBoxSink.h"
#include "VirtualLaneConsole.h"

int main(int argc, char** argv) {
  // Read before the application exists, so --help and bad options need no display.
  QStringList arguments;
  for (int index = 0; index < argc; ++index) arguments << QString::fromLocal8Bit(argv[index]);
  const CommandLineOutcome outcome =
      ParseCommandLine(arguments, qEnvironmentVariable("LANECONSOLE_CAMERA_PASSWORD"));
  std::fputs(qPrintable(outcome.out), stdout);
  std::fputs(qPrintable(outcome.err), stderr);
  if (!outcome.options) return outcome.exitStatus;

  QApplication application(argc, argv);
  UseConsoleFace();
  QApplication::setApplicationName(QStringLiteral("LaneConsole"));
  // Desktops find the entry, and with it the name and icon, for the window.
  QGuiApplication::setDesktopFileName(QStringLiteral("laneconsole"));

  const QString pictureDirectory =
      QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QDir().mkpath(pictureDirectory);
  const QString sessionLog = SessionLog::PathFor(pictureDirectory, QDateTime::currentDateTime());

  QtMessageBoxSink messageBoxes;
  if (!outcome.options->IsEmpty()) {
    FieldLaneConsole console(*outcome.options, messageBoxes, pictureDirectory, sessionLog);
    console.window->show();
    return application.exec();
  }
  VirtualLaneConsole console(virtual_lane::LaneTimings{}, messageBoxes, pictureDirectory,
                             sessionLog);
  console.window->show();
  return application.exec();
}
