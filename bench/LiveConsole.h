#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QThread>
#include <functional>
#include <memory>

#include "ConsoleFace.h"
#include "ConsoleSeams.h"
#include "VirtualLane.h"
#include "utVideoStream.h"

// Counts the error reports instead of blocking on a modal box.
class CountingMessageBoxes : public MessageBoxSink {
 public:
  QStringList texts;
  void ShowModal(const QString& text) override { texts.append(text); }
};

// The real window with the real camera and video seams, against the virtual
// lane at 127.0.0.1 (the lane is in-process: nothing goes on the network).
struct LiveConsole {
  inline static const QString kLaneAddress = QStringLiteral("127.0.0.1");

  camera::VirtualLaneWorld world;
  camera::VirtualCamera sdk{world};
  camera::VirtualVideo video{world};
  CountingMessageBoxes boxes;
  std::unique_ptr<TfmVideoStream> window;

  LiveConsole(camera::LaneTimings timings, const QString& pictureDirectory,
              std::function<void(int)> pause, const QString& sessionLogPath = {})
      : world(timings) {
    ConsoleSeams seams;
    seams.sdkBackend = &sdk;
    seams.videoBackend = &video;
    seams.pause = std::move(pause);
    seams.messageBoxes = &boxes;
    seams.pictureDirectory = pictureDirectory;
    seams.sessionLogPath = sessionLogPath;
    UseConsoleFace();
    window = std::make_unique<TfmVideoStream>(seams);
  }

  void Connect() {
    window->edtCameraIP->setText(kLaneAddress);
    window->BitBtn1->click();
  }

  static void SleepingPause(int milliseconds) {
    QThread::msleep(static_cast<unsigned long>(milliseconds));
  }
};
