#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <functional>

#include "ConsoleFace.h"
#include "ConsoleSeams.h"
#include "VirtualLaneConsole.h"

// Counts the error reports instead of blocking on a modal box.
class CountingMessageBoxes : public MessageBoxSink {
 public:
  QStringList texts;
  void ShowModal(const QString& text) override { texts.append(text); }
};

// A base, so the counter exists before the window that reports to it.
struct CountedMessageBoxes {
  CountingMessageBoxes boxes;
};

// The console's own wiring against the virtual lane at 127.0.0.1 (the lane is
// in-process: nothing goes on the network), error reports counted.
struct LiveConsole : CountedMessageBoxes, VirtualLaneConsole {
  inline static const QString kLaneAddress = QStringLiteral("127.0.0.1");

  LiveConsole(virtual_lane::LaneTimings timings, const QString& pictureDirectory,
              std::function<void(int)> pause, const QString& sessionLogPath = {})
      : VirtualLaneConsole(timings, boxes, pictureDirectory, sessionLogPath, std::move(pause)) {}

  void Connect() {
    window->edtCameraIP->setText(kLaneAddress);
    window->BitBtn1->click();
  }
};
