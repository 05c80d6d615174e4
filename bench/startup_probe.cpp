// Started by startup_bench: prints the monotonic clock at the first paint of
// either the console window or, with "bare", a plain QWidget, then exits.
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "LiveConsole.h"

namespace {

class FirstPaint : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      timespec now{};
      clock_gettime(CLOCK_MONOTONIC, &now);
      std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
      std::fflush(stdout);
      QMetaObject::invokeMethod(qApp, &QApplication::quit, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool seen_ = false;
};

int RunBare(int argc, char** argv) {
  QApplication application(argc, argv);
  FirstPaint firstPaint;
  QWidget widget;
  widget.resize(749, 659);
  widget.installEventFilter(&firstPaint);
  widget.show();
  return application.exec();
}

// The steps of the console's main, with the bench's folder standing in for the
// application data folder.
int RunConsole(int argc, char** argv, const QString& folder) {
  QApplication application(argc, argv);
  UseConsoleFace();
  FirstPaint firstPaint;
  QDir().mkpath(folder);
  LiveConsole console(virtual_lane::LaneTimings{}, folder, SleepingPause,
                      SessionLog::PathFor(folder, QDateTime::currentDateTime()));
  console.window->installEventFilter(&firstPaint);
  console.window->show();
  return application.exec();
}

}  // namespace

// Usage: startup_probe bare | startup_probe console FOLDER
int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "bare") == 0) return RunBare(argc, argv);
  if (argc < 3) return 2;
  return RunConsole(argc, argv, QString::fromLocal8Bit(argv[2]));
}
