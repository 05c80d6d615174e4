// The console's own video backend (field::StreamVideo, 100 ms latency) on
// lanesim's RTSP stream, H.264 1280x720 at 25 fps on 127.0.0.1.
// video-latency: a frame's capture time, read from its stamp, to its arrival
// at the sink, median over the frame interval. video-cpu-rtsp: the console's
// CPU for 10 s of that video over gst-launch-1.0's for the same stream into
// the same sink, each measured once it has settled. video-reconnect: lanesim
// back after a 3 s outage to the console's first frame from it, median over
// 3 s.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "ConsoleFace.h"
#include "FieldLaneConsole.h"
#include "FrameStamp.h"
#include "LaneSimProcess.h"
#include "LiveConsole.h"
#include "Measures.h"
#include "RunEventLoop.h"

namespace {

using lanesim::testing::LaneSimProcess;
using Clock = std::chrono::steady_clock;

constexpr int kFrameIntervalMs = 40;
constexpr int kLatencyMs = 100;
constexpr int kMeasureMs = 10000;
// Past the first keyframe and the decoder's start.
constexpr int kSettleMs = 1000;
// gst-launch-1.0 loads its plugins and connects before its first frame.
constexpr int kLaunchSettleMs = 2000;
constexpr int kOutages = 5;
// Long enough for the console's retries to reach their longest interval.
constexpr int kOutageMs = 3000;
constexpr int kReconnectGoalMs = 3000;
constexpr int kGiveUpMs = 20000;
const QString kVideoLine = QStringLiteral("lanesim: video on ");

int Fail(const char* what) {
  std::fprintf(stderr, "video_rtsp_bench: %s\n", what);
  return 1;
}

double Milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

// User and system time from a /proc stat file: a process's, all its threads,
// or one thread's.
std::optional<double> StatCpuSeconds(const QString& path) {
  std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "r");
  if (file == nullptr) return std::nullopt;
  char text[1024] = {};
  const std::size_t length = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  // The program's name, in parentheses, may hold spaces: fields count after it,
  // the state being the third, user time the 14th, system time the 15th.
  const char* rest = std::strrchr(text, ')');
  unsigned long long user = 0;
  unsigned long long system = 0;
  if (length == 0 || rest == nullptr ||
      std::sscanf(rest + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
                  &system) != 2) {
    return std::nullopt;
  }
  return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::optional<double> ProcessCpuSeconds(qint64 pid) {
  return StatCpuSeconds(QStringLiteral("/proc/%1/stat").arg(pid));
}

// The thread that runs main(), where Qt paints.
double GuiThreadCpuSeconds() {
  const qint64 pid = getpid();
  return StatCpuSeconds(QStringLiteral("/proc/%1/task/%1/stat").arg(pid)).value_or(0);
}

// lanesim serving video on `port`, and when it said so; nothing when it did not
// within kGiveUpMs. Its output is read from the event loop, never blocking it,
// so the console's retry timers fire on time meanwhile.
std::unique_ptr<LaneSimProcess> StartLaneSim(const QString& port, QString& url,
                                             Clock::time_point& saidAt) {
  auto lanesim = std::make_unique<LaneSimProcess>(QStringList{"--rtsp", port, "--quiet"});
  QProcess& process = lanesim->Process();
  const auto said = [&] {
    for (const QString& line : lanesim->Lines()) {
      if (line.startsWith(kVideoLine)) {
        url = line.mid(kVideoLine.size());
        return true;
      }
    }
    return false;
  };
  QEventLoop loop;
  QObject::connect(&process, &QProcess::readyReadStandardOutput, &loop, [&] {
    if (!said()) return;
    saidAt = Clock::now();
    loop.quit();
  });
  QObject::connect(&process, &QProcess::finished, &loop, [&] { loop.exit(1); });
  QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) loop.exit(1);
  });
  QTimer::singleShot(kGiveUpMs, &loop, [&] { loop.exit(1); });
  if (process.state() == QProcess::NotRunning || loop.exec() != 0) {
    std::fprintf(stderr, "%s", process.readAllStandardError().constData());
    return nullptr;
  }
  return lanesim;
}

bool StopLaneSim(std::unique_ptr<LaneSimProcess>& lanesim) {
  QProcess& process = lanesim->Process();
  process.terminate();
  const bool stopped =
      RunEventLoopUntil([&] { return process.state() == QProcess::NotRunning; }, kGiveUpMs);
  lanesim.reset();
  return stopped;
}

struct LaunchCpu {
  double settled = 0;
  double measured = 0;
};

// gst-launch-1.0 playing `url` into the same kind of sink as the console's:
// under X11 a window of the video control's size, as the console draws into
// its own; elsewhere an appsink, as the console's output without a window.
// Its CPU from its start to kLaunchSettleMs, then over kMeasureMs.
std::optional<LaunchCpu> LaunchCpuSeconds(const QString& url, QSize shown, bool x11) {
  QStringList pipeline = {"-q",
                          "rtspsrc",
                          "location=" + url,
                          QStringLiteral("latency=%1").arg(kLatencyMs),
                          "!",
                          "decodebin",
                          "!",
                          "videoconvert",
                          "!",
                          "video/x-raw,format=BGRx",
                          "!"};
  if (x11) {
    pipeline << "videoscale"
             << "!"
             << QStringLiteral("video/x-raw,width=%1,height=%2,pixel-aspect-ratio=1/1")
                    .arg(shown.width())
                    .arg(shown.height())
             << "!"
             << "ximagesink"
             << "sync=false";
  } else {
    pipeline << "appsink"
             << "sync=false"
             << "max-buffers=1"
             << "drop=true";
  }
  QProcess launch;
  launch.setProcessChannelMode(QProcess::MergedChannels);
  launch.start(QStringLiteral("gst-launch-1.0"), pipeline);
  if (!launch.waitForStarted(kGiveUpMs)) {
    std::fprintf(stderr, "video_rtsp_bench: gst-launch-1.0 did not start: %s\n",
                 launch.errorString().toUtf8().constData());
    return std::nullopt;
  }
  const qint64 pid = launch.processId();
  RunEventLoopFor(kLaunchSettleMs);
  const std::optional<double> settled = ProcessCpuSeconds(pid);
  RunEventLoopFor(kMeasureMs);
  const std::optional<double> end = ProcessCpuSeconds(pid);
  // Signalled only while QProcess has not reaped it: the id may be reused after.
  const bool stillPlaying = launch.state() == QProcess::Running;
  if (stillPlaying) ::kill(static_cast<pid_t>(pid), SIGINT);
  if (!RunEventLoopUntil([&] { return launch.state() == QProcess::NotRunning; }, kGiveUpMs)) {
    launch.kill();
    launch.waitForFinished();
  }
  if (!stillPlaying || !settled || !end) {
    std::fprintf(stderr, "video_rtsp_bench: gst-launch-1.0 stopped playing %s:\n%s\n",
                 url.toUtf8().constData(), launch.readAll().constData());
    return std::nullopt;
  }
  return LaunchCpu{*settled, *end - *settled};
}

}  // namespace

// Under X11 (xvfb-run, QT_QPA_PLATFORM=xcb) the video is drawn as on the field
// laptop, from the streaming thread into the control's window.
int main(int argc, char** argv) {
  const bool x11 = qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("xcb");
  if (!x11) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  UseConsoleFace();
  QTemporaryDir folder;
  QString url;
  Clock::time_point saidAt;
  std::unique_ptr<LaneSimProcess> lanesim = StartLaneSim(QStringLiteral("0"), url, saidAt);
  if (!lanesim) return Fail("lanesim --rtsp 0 did not start");
  const QString port = QString::number(QUrl(url).port());

  // Declared before the console: its streaming thread reports here until it ends.
  std::atomic<int> shown{0};
  // Zero: no frame since it was last reset.
  std::atomic<Clock::rep> firstShown{0};
  std::mutex mutex;
  std::vector<qint64> latencies;
  int unreadable = 0;
  // The first failure the console reports after lanesim stops.
  Clock::time_point noticedAt;

  CountingMessageBoxes boxes;
  field::FieldLaneSettings lane;
  lane.video = field::VideoSettings{url, kLatencyMs};
  FieldLaneConsole console(lane, boxes, folder.path());
  field::StreamVideo& stream = *console.stream;
  TfmVideoStream& window = *console.window;

  const auto count = [&](const QImage&) {
    Clock::rep none = 0;
    firstShown.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
    ++shown;
  };
  const auto firstFrame = [&] { return firstShown.load() != 0; };
  stream.SetFrameObserver(count);
  window.show();
  window.edtCameraIP->setText(QStringLiteral("127.0.0.1"));
  window.BitBtn1->click();
  if (!RunEventLoopUntil(firstFrame, kGiveUpMs)) return Fail("no frame reached the console");
  RunEventLoopFor(kSettleMs);

  stream.SetFrameObserver([&](const QImage& frame) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const std::optional<qint64> stamp = virtual_lane::ReadFrameStamp(frame, now);
    const std::lock_guard lock(mutex);
    if (stamp) {
      latencies.push_back(now - *stamp);
    } else {
      ++unreadable;
    }
  });
  RunEventLoopFor(kMeasureMs);
  stream.SetFrameObserver(count);
  if (latencies.empty()) return Fail("no frame with a readable stamp reached the console");

  shown = 0;
  const double cpuBefore = ProcessCpuSeconds();
  const double guiBefore = GuiThreadCpuSeconds();
  RunEventLoopFor(kMeasureMs);
  const double consoleCpu = ProcessCpuSeconds() - cpuBefore;
  const double guiCpu = GuiThreadCpuSeconds() - guiBefore;
  const int consoleFrames = shown;

  window.BitBtn4->click();
  RunEventLoopFor(kSettleMs);
  const std::optional<LaunchCpu> launchCpu = LaunchCpuSeconds(url, window.axclient1->size(), x11);
  if (!launchCpu) return 1;

  firstShown = 0;
  window.BitBtn1->click();
  if (!RunEventLoopUntil(firstFrame, kGiveUpMs)) return Fail("no frame after connecting again");
  RunEventLoopFor(kSettleMs);

  QObject::connect(&stream, &field::StreamVideo::Failed, &stream, [&] {
    if (noticedAt == Clock::time_point{}) noticedAt = Clock::now();
  });
  std::vector<double> noticedMs;
  std::vector<double> reconnectMs;
  for (int outage = 0; outage < kOutages; ++outage) {
    noticedAt = {};
    const Clock::time_point stoppedAt = Clock::now();
    if (!StopLaneSim(lanesim)) return Fail("lanesim did not stop on SIGTERM");
    RunEventLoopFor(kOutageMs);
    if (noticedAt != Clock::time_point{}) noticedMs.push_back(Milliseconds(noticedAt - stoppedAt));
    firstShown = 0;
    QString again;
    lanesim = StartLaneSim(port, again, saidAt);
    if (!lanesim) return Fail("lanesim did not start again on its port");
    if (!RunEventLoopUntil(firstFrame, kGiveUpMs)) return Fail("no frame after lanesim came back");
    reconnectMs.push_back(
        Milliseconds(Clock::time_point(Clock::duration(firstShown.load())) - saidAt));
    RunEventLoopFor(kSettleMs);
  }

  const qint64 latency = Median(latencies);
  std::printf(
      "video latency over RTSP (latency %d ms): capture to sink median %lld ms (fastest %lld, "
      "slowest %lld) over %zu stamped frames in %d s, %d unreadable\n",
      kLatencyMs, static_cast<long long>(latency),
      static_cast<long long>(*std::min_element(latencies.begin(), latencies.end())),
      static_cast<long long>(*std::max_element(latencies.begin(), latencies.end())),
      latencies.size(), kMeasureMs / 1000, unreadable);
  std::printf(
      "video CPU over RTSP in %d s: console %.3f s (GUI thread %.3f s, %d frames shown), "
      "gst-launch-1.0 %.3f s (plus %.3f s in its first %d ms)\n",
      kMeasureMs / 1000, consoleCpu, guiCpu, consoleFrames, launchCpu->measured, launchCpu->settled,
      kLaunchSettleMs);
  std::printf(
      "video reconnect: lanesim back to first frame, median %.0f ms (fastest %.0f, slowest %.0f) "
      "over %d outages of %d ms; the console noticed %zu of the stops within the outage",
      Median(reconnectMs), *std::min_element(reconnectMs.begin(), reconnectMs.end()),
      *std::max_element(reconnectMs.begin(), reconnectMs.end()), kOutages, kOutageMs,
      noticedMs.size());
  if (!noticedMs.empty()) std::printf(", after median %.0f ms", Median(noticedMs));
  std::printf("\n");
  std::printf("ratio video-latency %.2f\n", static_cast<double>(latency) / kFrameIntervalMs);
  std::printf("ratio video-cpu-rtsp %.3f\n", consoleCpu / launchCpu->measured);
  std::printf("ratio video-reconnect %.3f\n", Median(reconnectMs) / kReconnectGoalMs);
  if (!boxes.texts.isEmpty()) return Fail("the console showed an error box");
  return 0;
}
