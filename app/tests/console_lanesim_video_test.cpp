// A whole field lane without a camera: lanesim's peripherals on a
// pseudo-terminal and its video over RTSP on 127.0.0.1, driven by the console.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

#include "ConsoleTestFixture.h"
#include "FieldLaneConsole.h"
#include "FrameArrivals.h"
#include "LaneSimProcess.h"
#include "MessagePane.h"
#include "PictureView.h"

namespace {

using lanesim::testing::LaneSimProcess;

constexpr int kWaitMs = 20000;

class LaneSimVideoTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartLaneSim(QStringLiteral("0")));
    field::FieldLaneSettings lane;
    lane.serial = field::LineSettings{};
    lane.serial->port = Link();
    lane.video = field::VideoSettings{url, 100};
    console =
        std::make_unique<FieldLaneConsole>(lane, boxes, folder.path(), QString(), SleepingPause);
    console->stream->SetFrameObserver([this](const QImage& frame) { frames.Record(frame); });
    window().show();
    window().edtCameraIP->setText(QStringLiteral("127.0.0.1"));
    window().BitBtn1->click();
  }

  QString Link() const { return folder.filePath(QStringLiteral("lane-tty")); }

  bool StartLaneSim(const QString& rtspPort) {
    lanesim = std::make_unique<LaneSimProcess>(
        QStringList{"--pty", Link(), "--rtsp", rtspPort, "--baud", "115200", "--quiet"});
    if (!lanesim->WaitForLineStarting(QStringLiteral("lanesim: video on "))) return false;
    const auto found = QRegularExpression(QStringLiteral("video on (rtsp://\\S+)"))
                           .match(lanesim->Lines().join('\n'));
    url = found.captured(1);
    return found.hasMatch();
  }

  TfmVideoStream& window() { return *console->window; }
  QTemporaryDir folder;
  std::unique_ptr<LaneSimProcess> lanesim;
  QString url;
  RecordingMessageBoxes boxes;
  // Before the console: its streaming thread records frames until the console is gone.
  FrameArrivals frames;
  std::unique_ptr<FieldLaneConsole> console;
};

TEST_F(LaneSimVideoTest, VideoCardsAndSnapshotsOnOneLane) {
  ASSERT_TRUE(frames.WaitFor(10));
  EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front().toStdString();
  EXPECT_EQ(frames.LastSize(), QSize(1280, 720));

  window().BitBtn8->click();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return !window().memMessage->Lines().filter(QStringLiteral("卡号 ")).isEmpty(); },
      kWaitMs));

  window().BitBtn7->click();
  ASSERT_TRUE(boxes.texts.empty()) << boxes.texts.front().toStdString();
  const QImage snapshot(folder.filePath(QStringLiteral("XJ.jpg")), "JPG");
  EXPECT_EQ(snapshot.size(), QSize(1280, 720));
  EXPECT_TRUE(window().imgAll->HasPicture());
}

TEST_F(LaneSimVideoTest, KeepsMovingWhileTheTestButtonPauses) {
  ASSERT_TRUE(frames.WaitFor(10));
  const qint64 from = frames.Now();
  window().BitBtn6->click();  // three frames with 100 ms and 300 ms pauses between them
  const qint64 to = frames.Now();

  const auto [count, longestWait] = frames.Between(from, to);
  EXPECT_GE(to - from, 400);
  EXPECT_GE(count, 5);
  EXPECT_LT(longestWait, 400);
}

TEST_F(LaneSimVideoTest, AServerThatGoesAwayIsSaidAndComesBackByItself) {
  ASSERT_TRUE(frames.WaitFor(5));
  QSignalSpy playing(console->stream.get(), &field::StreamVideo::Playing);
  const QString port = url.section(QLatin1Char(':'), 2).section(QLatin1Char('/'), 0, 0);

  lanesim.reset();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return console->stream->State().startsWith(QStringLiteral("视频中断")); }, kWaitMs));

  ASSERT_TRUE(StartLaneSim(port));
  EXPECT_TRUE(playing.wait(kWaitMs));
  EXPECT_TRUE(console->stream->State().isEmpty());
}

TEST_F(LaneSimVideoTest, ConnectingAndDisconnecting200TimesLeavesNothingBehind) {
  ASSERT_TRUE(frames.WaitFor(5));
  const auto connectAndDisconnect = [&](int rounds) {
    for (int round = 0; round < rounds; ++round) {
      window().BitBtn1->click();
      QTest::qWait(round % 25 == 0 ? 500 : 20);
      window().BitBtn4->click();
    }
  };
  // The first rounds load plugins and fill the allocator's caches; what
  // grows after them is what leaks.
  connectAndDisconnect(50);
  QTest::qWait(1000);
  const ProcessResources before = ProcessResources::Now();

  connectAndDisconnect(150);

  // Stopped pipelines are taken down one after another, off the GUI thread.
  const auto settled = [&] {
    const ProcessResources now = ProcessResources::Now();
    return now.threads <= before.threads + 4 && now.descriptors <= before.descriptors + 4;
  };
  EXPECT_TRUE(QTest::qWaitFor(settled, 60000))
      << ProcessResources::Now().threads << " threads (" << before.threads << " before), "
      << ProcessResources::Now().descriptors << " descriptors (" << before.descriptors
      << " before)";
  // A pipeline kept per connect would hold megabytes of buffers: 150 of them, far more.
  if (ProcessResources::kMemoryTells) {
    EXPECT_LT(ProcessResources::Now().residentKilobytes - before.residentKilobytes, 32 * 1024);
  }
  EXPECT_TRUE(boxes.texts.empty());
}

}  // namespace
