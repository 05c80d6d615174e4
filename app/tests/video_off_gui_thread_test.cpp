// The virtual lane's video is drawn and shown off the GUI thread: it keeps
// moving while a handler sleeps.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <vector>

#include "ConsoleTestFixture.h"
#include "FrameArrivals.h"
#include "VirtualLaneConsole.h"

namespace {

class VirtualLaneVideo : public testing::Test {
 protected:
  void SetUp() override {
    console.frames.SetFrameObserver([this](const QImage& frame) { frames.Record(frame); });
    console.window->show();
    console.window->edtCameraIP->setText(QStringLiteral("127.0.0.1"));
    console.window->BitBtn1->click();
    ASSERT_TRUE(frames.WaitFor(5));
  }

  QTemporaryDir folder;
  RecordingMessageBoxes boxes;
  // Before the console: its streaming thread records frames until the console is gone.
  FrameArrivals frames;
  VirtualLaneConsole console{virtual_lane::LaneTimings{.carPeriodMs = 0}, boxes, folder.path(),
                             QString(), [](int) {}};
};

// 25 frames a second: about 18 in 750 ms. The benchmark measures the gaps.
constexpr int kFewestFrames = 9;
constexpr qint64 kLongestWaitMs = 400;

TEST_F(VirtualLaneVideo, KeepsMovingWhileAHandlerSleeps) {
  const qint64 from = frames.Now();
  QThread::msleep(750);  // the plate event's two pauses

  const auto [count, longestWait] = frames.Between(from, frames.Now());
  EXPECT_GE(count, kFewestFrames);
  EXPECT_LT(longestWait, kLongestWaitMs);
}

TEST_F(VirtualLaneVideo, KeepsMovingWhileAnErrorBoxIsOpen) {
  qint64 from = 0;
  qint64 to = 0;
  boxes.whileOpen = [&] {
    from = frames.Now();
    QThread::msleep(750);  // an engineer reading the box
    to = frames.Now();
  };
  virtual_lane::LaneFaults refusing;
  refusing.refuseCalls = true;
  console.world.LaneAt(QStringLiteral("127.0.0.1"))->SetFaults(refusing);

  console.window->BitBtn7->click();

  ASSERT_EQ(boxes.texts.size(), 1u);
  const auto [count, longestWait] = frames.Between(from, to);
  EXPECT_GE(count, kFewestFrames);
  EXPECT_LT(longestWait, kLongestWaitMs);
}

}  // namespace
