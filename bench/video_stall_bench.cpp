// The virtual lane's video while plate events run: the longest gap between
// frames reaching the screen during each event (750 ms of pauses on the GUI
// thread), over the frame interval.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

#include "LiveConsole.h"

namespace {

constexpr int kPlates = 7;
constexpr int kFrameIntervalMs = 40;

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  UseConsoleFace();
  QTemporaryDir pictures;
  virtual_lane::LaneTimings timings;
  timings.carPeriodMs = 0;
  LiveConsole console(timings, pictures.path(), SleepingPause);
  QElapsedTimer clock;
  clock.start();
  std::mutex mutex;
  std::vector<qint64> arrivals;
  console.frames.SetFrameObserver([&](const QImage&) {
    const std::lock_guard lock(mutex);
    arrivals.push_back(clock.elapsed());
  });
  console.window->show();
  console.Connect();
  QTest::qWait(1000);

  // The plate handler sets the text first, then writes, pauses 250 + 500 ms and shows
  // the pictures; it has ended when the event loop runs again.
  qint64 start = -1;
  QObject::connect(console.window->edtPlate, &QLineEdit::textChanged, [&](const QString& text) {
    if (!text.isEmpty()) start = clock.elapsed();
  });
  std::vector<qint64> gaps;
  for (int plate = 0; plate < kPlates; ++plate) {
    console.window->edtPlate->clear();
    start = -1;
    console.window->BitBtn2->click();
    if (!QTest::qWaitFor([&] { return start >= 0; }, 10000)) {
      std::fprintf(stderr, "video_stall_bench: no plate\n");
      return 1;
    }
    const qint64 end = clock.elapsed();
    QTest::qWait(500);
    const std::lock_guard lock(mutex);
    qint64 previous = start;
    qint64 longest = 0;
    for (const qint64 at : arrivals) {
      if (at < start || at > end) continue;
      longest = std::max(longest, at - previous);
      previous = at;
    }
    gaps.push_back(std::max(longest, end - previous));
  }
  std::sort(gaps.begin(), gaps.end());
  std::printf(
      "video during plate events: longest gap between frames %lld ms (median of %d), "
      "shortest %lld ms, longest %lld ms\n",
      static_cast<long long>(gaps[gaps.size() / 2]), kPlates, static_cast<long long>(gaps.front()),
      static_cast<long long>(gaps.back()));
  std::printf("ratio video-stall %.2f\n",
              static_cast<double>(gaps[gaps.size() / 2]) / kFrameIntervalMs);
  return console.boxes.texts.isEmpty() ? 0 : 1;
}
