#pragma once

#include <QString>
#include <QThread>
#include <functional>

namespace camera {
class CameraFinder;
class SdkBackend;
class VideoBackend;
}  // namespace camera

// Shows one modal message box and returns when the user closes it.
class MessageBoxSink {
 public:
  virtual ~MessageBoxSink() = default;
  virtual void ShowModal(const QString& text) = 0;
};

// The window's real pause: the GUI thread sleeps.
inline void SleepingPause(int milliseconds) {
  QThread::msleep(static_cast<unsigned long>(milliseconds));
}

// Everything outside the window, handed in by its creator: main.cpp passes
// the real ones, tests pass recording fakes.
struct ConsoleSeams {
  camera::SdkBackend* sdkBackend = nullptr;
  camera::VideoBackend* videoBackend = nullptr;
  std::function<void(int milliseconds)> pause;
  MessageBoxSink* messageBoxes = nullptr;
  QString pictureDirectory;
  // Where every pane line is also written; empty: no session log.
  QString sessionLogPath;
  // What the console is attached to, after the caption in the window title,
  // so that an engineer never mistakes the virtual lane for the real one.
  QString attachedTo;
  // Behind the camera-address field's search; none: the field has no search.
  camera::CameraFinder* cameraFinder = nullptr;
};
