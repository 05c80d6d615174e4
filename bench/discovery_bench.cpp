// discovery: from the camera search's unicast probe to the first camera in
// its list, against lanesim's responder (a process of its own) on 127.0.0.1,
// over 100 ms, about the longest a list may take to seem immediate. The
// multicast part is off: no probe leaves the machine.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "CameraSearch.h"
#include "LaneSimProcess.h"
#include "Measures.h"
#include "RunEventLoop.h"
#include "WsDiscoveryFinder.h"

namespace {

constexpr int kSearches = 40;
constexpr double kImmediateMs = 100;
constexpr int kPatienceMs = 5000;

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);

  qputenv("LANESIM_DISCOVERY_PORT", "0");
  lanesim::testing::LaneSimProcess lanesim({"--onvif", "0"});
  const QString prefix = QStringLiteral("lanesim: WS-Discovery on 127.0.0.1:");
  if (!lanesim.WaitForLineStarting(prefix)) {
    std::fprintf(stderr, "discovery_bench: lanesim's responder did not start\n");
    return 1;
  }
  quint16 port = 0;
  for (const QString& line : lanesim.Lines()) {
    if (line.startsWith(prefix)) port = line.mid(prefix.size()).toUShort();
  }

  QLineEdit field(QStringLiteral("127.0.0.1"));
  field::onvif::WsDiscoveryFinder finder(false, port);
  CameraSearch search(field, finder, nullptr);
  QElapsedTimer clock;
  qint64 listedAt = -1;
  QObject::connect(search.List()->model(), &QAbstractItemModel::rowsInserted,
                   [&] { listedAt = clock.nsecsElapsed(); });

  std::vector<double> millis;
  for (int i = 0; i < kSearches; ++i) {
    listedAt = -1;
    clock.start();
    search.Action()->trigger();
    if (!RunEventLoopUntil([&] { return listedAt >= 0; }, kPatienceMs)) {
      std::fprintf(stderr, "discovery_bench: no camera listed within %d ms\n", kPatienceMs);
      return 1;
    }
    millis.push_back(listedAt / 1e6);
  }
  const double median = Median(millis);
  std::printf("discovery: probe to first camera listed, median of %d: %.2f ms (best %.2f ms)\n",
              kSearches, median, *std::min_element(millis.begin(), millis.end()));
  std::printf("ratio discovery %.3f\n", median / kImmediateMs);
  return 0;
}
