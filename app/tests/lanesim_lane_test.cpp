// The console driving lanesim, the virtual lane as a program of its own, over
// a pseudo-terminal and over a loopback device server: what a field engineer
// does with a real lane.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "ConsoleTestFixture.h"
#include "FieldLaneConsole.h"
#include "LaneSimProcess.h"
#include "RadioGroup.h"
#include "VirtualLaneConsole.h"

namespace {

using lanesim::testing::LaneSimProcess;

constexpr int kWaitMs = 20000;
const QString kAddress = QStringLiteral("127.0.0.1");

enum class Line { Pty, Tcp };

std::string LineName(const testing::TestParamInfo<Line>& info) {
  return info.param == Line::Pty ? "Pty" : "DeviceServer";
}

class LaneSimTest : public testing::TestWithParam<Line> {
 protected:
  void SetUp() override { ASSERT_TRUE(StartLaneSim(GetParam() == Line::Pty ? "" : "0")); }

  // A new lanesim behind the same link or port, as after a power cut.
  bool StartLaneSim(const QString& tcpPort) {
    const QStringList line = GetParam() == Line::Pty
                                 ? QStringList{"--pty", folder.filePath("lane-tty")}
                                 : QStringList{"--tcp", tcpPort};
    lanesim = std::make_unique<LaneSimProcess>(line + QStringList{"--baud", "115200"});
    if (!lanesim->Started()) return false;
    if (GetParam() == Line::Pty) {
      settings.port = folder.filePath("lane-tty");
    } else {
      const auto port = QRegularExpression(QStringLiteral("127\\.0\\.0\\.1:(\\d+)"))
                            .match(lanesim->Lines().constFirst());
      settings.port = QStringLiteral("tcp:127.0.0.1:") + port.captured(1);
    }
    return true;
  }

  void Connect() {
    field::FieldLaneSettings lane;
    lane.serial = settings;
    console = std::make_unique<FieldLaneConsole>(lane, boxes, folder.path(), QString(), [](int) {});
    window().edtCameraIP->setText(kAddress);
    window().BitBtn1->click();
    ASSERT_TRUE(WaitForLine(QStringLiteral("已打开")));
    // A bare line has no live video: the video area says so, no box does.
    ASSERT_TRUE(boxes.texts.empty()) << boxes.texts.front().toStdString();
  }

  TfmVideoStream& window() { return *console->window; }
  QStringList Lines() { return window().memMessage->Lines(); }
  bool WaitForLine(const QString& part, qsizetype count = 1) {
    return QTest::qWaitFor([&] { return Lines().filter(part).size() >= count; }, kWaitMs);
  }
  bool LaneSimSaid(const QString& line) {
    return QTest::qWaitFor([&] { return lanesim->Lines().contains(line); }, kWaitMs);
  }

  QTemporaryDir folder;
  std::unique_ptr<LaneSimProcess> lanesim;
  field::LineSettings settings;
  RecordingMessageBoxes boxes;
  std::unique_ptr<FieldLaneConsole> console;
};

using Button = QPushButton* TfmVideoStream::*;

// Presses every command button in every lane and voice type; the lines of
// what went out, in order.
QStringList PressEveryButton(TfmVideoStream& window) {
  const Button buttons[] = {&TfmVideoStream::Button1, &TfmVideoStream::Button4,
                            &TfmVideoStream::Button5, &TfmVideoStream::Button2,
                            &TfmVideoStream::BitBtn5, &TfmVideoStream::Button3,
                            &TfmVideoStream::BitBtn8};
  const qsizetype before = window.memMessage->Lines().size();
  for (const int lane : {0, 1}) {
    for (const int voice : {0, 1}) {
      window.rgpSystemType->SetItemIndex(lane);
      window.rgpVoiceType->SetItemIndex(voice);
      for (const Button button : buttons) (window.*button)->click();
      // The simple lane's gate is the camera's, which a bare line lacks.
      if (lane == 1) window.BitBtn3->click();
    }
  }
  QStringList sent;
  for (const QString& line : window.memMessage->Lines().mid(before)) {
    if (!line.startsWith(QStringLiteral("接收")) && !line.startsWith(QStringLiteral("读卡"))) {
      sent << line;
    }
  }
  return sent;
}

TEST_P(LaneSimTest, EveryButtonSendsWhatItHandsTheInProcessLane) {
  Connect();
  RecordingMessageBoxes virtualBoxes;
  VirtualLaneConsole inProcess(virtual_lane::LaneTimings{.carPeriodMs = 0}, virtualBoxes,
                               folder.path(), QString(), [](int) {});
  inProcess.window->edtCameraIP->setText(kAddress);
  inProcess.window->BitBtn1->click();

  const QStringList expected = PressEveryButton(*inProcess.window);
  const QStringList sent = PressEveryButton(window());

  EXPECT_EQ(sent, expected);
  EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front().toStdString();
  for (const char* understood :
       {"controller 1: gate open", "controller 1: gate close", "voice box 98: speech \"欢迎光临\"",
        "voice box 98: clips 02 14 03 13 04 12 05 11 00", "screen 254: \"158\"",
        "controller 1: screen 250: \"158\""}) {
    EXPECT_TRUE(LaneSimSaid(QString::fromUtf8(understood))) << understood;
  }
  // Two read-card presses in the standard lane, each answered and decoded once.
  EXPECT_TRUE(WaitForLine(QStringLiteral("读卡 控制器 1: 卡号 "), 2));
}

TEST_P(LaneSimTest, ALaneThatGoesAwayIsSaidOnceAndComesBackByItself) {
  Connect();
  const QString port = settings.port.section(QLatin1Char(':'), -1);
  lanesim.reset();

  ASSERT_TRUE(WaitForLine(QStringLiteral("不可用")));
  window().BitBtn8->click();
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_TRUE(boxes.texts[0].contains(settings.port)) << boxes.texts[0].toStdString();

  ASSERT_TRUE(StartLaneSim(port));
  ASSERT_TRUE(WaitForLine(QStringLiteral("已恢复")));
  window().BitBtn8->click();
  EXPECT_TRUE(WaitForLine(QStringLiteral("读卡 控制器 1: 卡号 305419896")));
  EXPECT_EQ(Lines().filter(QStringLiteral("不可用")).size(), 1);
  EXPECT_EQ(boxes.texts.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Lines, LaneSimTest, testing::Values(Line::Pty, Line::Tcp), LineName);

}  // namespace
