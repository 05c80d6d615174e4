// The virtual lane's video is drawn and shown off the GUI thread: it keeps
// moving while a handler sleeps.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <mutex>
#include <vector>

#include "ConsoleTestFixture.h"
#include "VirtualLaneConsole.h"

namespace {

TEST(VirtualLaneVideo, KeepsMovingWhileTheGuiThreadSleeps) {
  QTemporaryDir folder;
  RecordingMessageBoxes boxes;
  VirtualLaneConsole console(virtual_lane::LaneTimings{.carPeriodMs = 0}, boxes, folder.path(),
                             QString(), [](int) {});
  QElapsedTimer clock;
  clock.start();
  std::mutex mutex;
  std::vector<qint64> arrivals;
  console.frames.SetFrameObserver([&](const QImage&) {
    const std::lock_guard lock(mutex);
    arrivals.push_back(clock.elapsed());
  });
  console.window->show();
  console.window->edtCameraIP->setText(QStringLiteral("127.0.0.1"));
  console.window->BitBtn1->click();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        const std::lock_guard lock(mutex);
        return arrivals.size() >= 5;
      },
      15000));

  const qint64 from = clock.elapsed();
  QThread::msleep(750);  // the plate event's two pauses
  const qint64 to = clock.elapsed();

  const std::lock_guard lock(mutex);
  int during = 0;
  qint64 previous = from;
  qint64 longestGap = 0;
  for (const qint64 at : arrivals) {
    if (at < from || at > to) continue;
    ++during;
    longestGap = std::max(longestGap, at - previous);
    previous = at;
  }
  longestGap = std::max(longestGap, to - previous);
  // 25 frames a second: about 18 in the pause. The benchmark measures the gaps.
  EXPECT_GE(during, 9);
  EXPECT_LT(longestGap, 400);
  EXPECT_TRUE(boxes.texts.empty());
}

}  // namespace
