// The virtual lane's video while plate events run: the longest gap between
// frames reaching the screen during each event (750 ms of pauses on the GUI
// thread), over the frame interval.
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "FrameArrivals.h"
#include "LiveConsole.h"
#include "RunEventLoop.h"

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
  // Before the console: its streaming thread records frames until the console is gone.
  FrameArrivals frames;
  LiveConsole console(timings, pictures.path(), SleepingPause);
  console.frames.SetFrameObserver([&](const QImage& frame) { frames.Record(frame); });
  console.window->show();
  console.Connect();
  RunEventLoopFor(1000);

  // The plate handler sets the text first, then writes, pauses 250 + 500 ms and shows
  // the pictures; it has ended when the event loop runs again.
  qint64 start = -1;
  QObject::connect(console.window->edtPlate, &QLineEdit::textChanged, [&](const QString& text) {
    if (!text.isEmpty()) start = frames.Now();
  });
  std::vector<qint64> gaps;
  for (int plate = 0; plate < kPlates; ++plate) {
    console.window->edtPlate->clear();
    start = -1;
    console.window->BitBtn2->click();
    if (!RunEventLoopUntil([&] { return start >= 0; }, 10000)) {
      std::fprintf(stderr, "video_stall_bench: no plate\n");
      return 1;
    }
    const qint64 end = frames.Now();
    RunEventLoopFor(500);
    gaps.push_back(frames.Between(start, end).second);
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
