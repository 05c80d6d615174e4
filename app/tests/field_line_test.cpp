// The console on a field lane whose device side the test plays through a
// pseudo-terminal: replies as a real line chunks them, damaged replies,
// garbage, and the title.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "ConsoleTestFixture.h"
#include "FieldLaneConsole.h"
#include "HiddenGstElement.h"
#include "PseudoTerminal.h"
#include "SessionLog.h"

namespace {

constexpr int kWaitMs = 10000;
const QByteArray kCardReply =
    QByteArray::fromHex("55D54400000001001122EDA27856341200006401000000000000F261");
const QByteArray kValueReply = QByteArray::fromHex("55D544000000020005E354E31234700E");
const QString kCardLine = QStringLiteral("读卡 控制器 1: 卡号 305419896");
const QString kValueLine = QStringLiteral("控制器 2: E3 数值 4660");
const QString kReceivedPrefix = QStringLiteral("接收 127.0.0.1: ");

class FieldLineTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    device = std::make_unique<PseudoTerminal>(folder.path());
    line.port = device->Link();
    // The test's writes set the pace, not an adapter: a loaded machine may
    // pause them longer than the rate's own gap.
    line.rxGapMs = 100;
    field::FieldLaneSettings lane;
    lane.serial = line;
    console = std::make_unique<FieldLaneConsole>(lane, boxes, folder.path(), LogPath(), [](int) {});
    window().edtCameraIP->setText(QStringLiteral("127.0.0.1"));
    window().BitBtn1->click();
    ASSERT_TRUE(WaitForLine(QStringLiteral("已打开")));
  }

  TfmVideoStream& window() { return *console->window; }
  QString LogPath() const { return folder.filePath(QStringLiteral("session.log")); }
  QStringList Lines() { return window().memMessage->Lines(); }
  qsizetype Count(const QString& line) { return Lines().count(line); }

  // Every received byte as the pane shows it, chunks joined.
  QString ReceivedHex() {
    QString hex;
    for (const QString& line : Lines().filter(kReceivedPrefix))
      hex += line.mid(kReceivedPrefix.size());
    return hex.remove(QLatin1Char(' '));
  }

  bool WaitForLine(const QString& part) {
    return QTest::qWaitFor([&] { return !Lines().filter(part).isEmpty(); }, kWaitMs);
  }

  QTemporaryDir folder;
  std::unique_ptr<PseudoTerminal> device;
  field::LineSettings line;
  RecordingMessageBoxes boxes;
  std::unique_ptr<FieldLaneConsole> console;
};

TEST_F(FieldLineTest, TheTitleSaysWhichLineTheConsoleDrives) {
  EXPECT_EQ(window().windowTitle(),
            "车牌识别停车场调试程序 — 串口 " + device->Link() + " 9600 8N1");
}

TEST_F(FieldLineTest, ConnectingRaisesNoBoxForTheMissingCameraButWhatNeedsOneStillDoes) {
  EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front().toStdString();
  window().BitBtn2->click();  // 手动补拍
  window().BitBtn7->click();  // 手动抓图
  ASSERT_EQ(boxes.texts.size(), 2u);
  for (const QString& text : boxes.texts)
    EXPECT_TRUE(text.contains(field::kNoCamera)) << text.toStdString();
}

TEST_F(FieldLineTest, AReplySplitByteByByteIsOneReceivedLineFollowedByItsDecodedLine) {
  // About 9600 baud, and the beginning of the next reply right behind.
  std::thread writer([&] {
    for (const char byte : kCardReply + kValueReply.left(4)) {
      device->Write(QByteArray(1, byte));
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  const bool decoded = WaitForLine(kCardLine);
  writer.join();
  ASSERT_TRUE(decoded);
  QTest::qWait(300);

  const QStringList lines = Lines();
  const QStringList received = lines.filter(kReceivedPrefix);
  ASSERT_EQ(received.size(), 2) << lines.join('\n').toStdString();
  EXPECT_EQ(received[0].mid(kReceivedPrefix.size()).remove(' '),
            QString::fromLatin1(kCardReply.toHex().toUpper()));
  EXPECT_EQ(lines.value(lines.indexOf(received[0]) + 1), kCardLine);
  EXPECT_EQ(received[1].mid(kReceivedPrefix.size()).remove(' '),
            QString::fromLatin1(kValueReply.left(4).toHex().toUpper()));
  EXPECT_EQ(Count(kCardLine), 1);
}

TEST_F(FieldLineTest, RepliesGluedTogetherAreDecodedOnceEach) {
  device->Write(kCardReply + kValueReply + kCardReply);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Count(kCardLine) == 2; }, kWaitMs));
  QTest::qWait(100);
  EXPECT_EQ(Count(kValueLine), 1);
  EXPECT_EQ(Count(kCardLine), 2);
}

TEST_F(FieldLineTest, ADamagedReplyIsLoggedButShowsNoCardNumber) {
  QByteArray damaged = kCardReply;
  damaged[13] = static_cast<char>(damaged[13] ^ 0x01);
  device->Write(damaged);

  ASSERT_TRUE(WaitForLine(QStringLiteral("回复校验和错误")));
  EXPECT_EQ(ReceivedHex(), QString::fromLatin1(damaged.toHex().toUpper()));
  EXPECT_TRUE(Lines().filter(QStringLiteral("卡号 ")).isEmpty());
}

TEST_F(FieldLineTest, AFloodOfGarbageKeepsTheWindowResponsiveAndEveryChunkLogged) {
  constexpr qsizetype kFloodBytes = 10 * 1024 * 1024;
  std::mt19937 random(8);
  QByteArray garbage(kFloodBytes, Qt::Uninitialized);
  for (char& byte : garbage) byte = static_cast<char>(random());

  // The device writes on a thread of its own, as fast as the terminal takes it.
  // A timer on the GUI thread keeps ticking while the flood is shown.
  QElapsedTimer sinceTick;
  sinceTick.start();
  qint64 longestGapMs = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout,
                   [&] { longestGapMs = std::max(longestGapMs, sinceTick.restart()); });
  ticker.start(50);
  std::thread writer([&] { device->Write(garbage); });
  qsizetype shown = 0;
  const bool allShown = QTest::qWaitFor(
      [&] {
        shown = 0;
        for (const QString& line : Lines().filter(kReceivedPrefix)) {
          shown += (line.size() - kReceivedPrefix.size()) / 3;
        }
        return shown >= kFloodBytes;
      },
      180000);
  writer.join();
  ASSERT_TRUE(allShown) << shown << " of " << kFloodBytes << " bytes shown";
  EXPECT_LT(longestGapMs, 5000);

  QFile log(LogPath());
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  qsizetype loggedLines = 0;
  while (!log.atEnd()) {
    if (QString::fromUtf8(log.readLine()).mid(SessionLog::kStampLength).startsWith("接收 ")) {
      ++loggedLines;
    }
  }
  EXPECT_EQ(loggedLines, Lines().filter(kReceivedPrefix).size());

  // The flood left nothing behind: the next reply is decoded at once.
  device->Write(kCardReply);
  EXPECT_TRUE(WaitForLine(kCardLine));
}

TEST(FieldLaneVideo, AMissingGstreamerElementIsNamedWhileTheLineGoesOn) {
  QTemporaryDir folder;
  PseudoTerminal device(folder.path());
  field::FieldLaneSettings lane;
  lane.serial = field::LineSettings{};
  lane.serial->port = device.Link();
  lane.video = field::VideoSettings{QStringLiteral("rtsp://{address}:1/lane")};
  const HiddenGstElement hidden("videoconvert");
  ASSERT_TRUE(hidden.Hidden());
  RecordingMessageBoxes boxes;
  FieldLaneConsole console(lane, boxes, folder.path(), QString(), [](int) {});
  TfmVideoStream& window = *console.window;
  const auto said = [&](const QString& part) {
    return QTest::qWaitFor([&] { return !window.memMessage->Lines().filter(part).isEmpty(); },
                           kWaitMs);
  };

  window.edtCameraIP->setText(QStringLiteral("127.0.0.1"));
  window.BitBtn1->click();

  ASSERT_TRUE(said(QStringLiteral("已打开")));
  const QStringList notices = window.memMessage->Lines().filter(QStringLiteral("videoconvert"));
  ASSERT_EQ(notices.size(), 1);
  EXPECT_TRUE(notices[0].contains(QStringLiteral("gstreamer1.0-plugins-base")));
  EXPECT_TRUE(console.stream->State().contains(QStringLiteral("gstreamer1.0-plugins-base")));
  EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front().toStdString();
  device.Write(kCardReply);
  EXPECT_TRUE(said(kCardLine));
}

}  // namespace
