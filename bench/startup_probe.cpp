// Started by startup_bench: prints the monotonic clock at the first paint of
// either the console window or, with "bare", a plain QWidget, then exits.
#include <QApplication>
#include <QEvent>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

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

}  // namespace

int main(int argc, char** argv) {
  const bool bare = argc > 1 && std::strcmp(argv[1], "bare") == 0;
  QApplication application(argc, argv);
  FirstPaint firstPaint;
  if (bare) {
    QWidget widget;
    widget.resize(749, 659);
    widget.installEventFilter(&firstPaint);
    widget.show();
    return application.exec();
  }
  QTemporaryDir folder;
  LiveConsole console(camera::LaneTimings{}, folder.path(), LiveConsole::SleepingPause,
                      folder.filePath(QStringLiteral("session.log")));
  console.window->installEventFilter(&firstPaint);
  console.window->show();
  return application.exec();
}
