// The console with --camera onvif:// against lanesim's ONVIF camera on
// 127.0.0.1: video from the stream the camera names, plates from its events,
// the gate through its relay, the snapshot through its snapshot address.
#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <optional>

#include "ConsoleTestFixture.h"
#include "FieldLaneConsole.h"
#include "LaneSimProcess.h"
#include "PictureView.h"
#include "RadioGroup.h"

namespace {

using lanesim::testing::kPatienceMs;
using lanesim::testing::LaneSimProcess;

constexpr char kPassword[] = "lane-secret";

quint16 FreePort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

class ConsoleOnvifTest : public testing::Test {
 protected:
  const quint16 onvifPort = FreePort();
  QTemporaryDir folder;
  RecordingMessageBoxes boxes;
  std::optional<LaneSimProcess> lanesim;
  std::unique_ptr<FieldLaneConsole> console;
  QStringList asked;

  void StartLaneSim(const QStringList& extra = {}) {
    lanesim.emplace(QStringList{"--onvif", QString::number(onvifPort), "--rtsp", "0",
                                "--onvif-password", kPassword, "--onvif-host", "127.0.0.2"} +
                    extra);
    ASSERT_TRUE(lanesim->WaitForLineStarting(QStringLiteral("lanesim: onvif on ")))
        << lanesim->Lines().join('\n').toStdString();
  }

  void StartConsole(const QString& password) {
    field::FieldLaneSettings lane;
    QString error;
    lane.camera =
        field::ParseCameraUrl(QStringLiteral("onvif://admin@{address}:%1").arg(onvifPort), error);
    ASSERT_TRUE(lane.camera) << error.toStdString();
    lane.camera->password = password;
    console = std::make_unique<FieldLaneConsole>(lane, boxes, folder.path(), QString(), [](int) {});
    console->askPassword = [this](const QString& camera, const QString& user) {
      asked << camera + QLatin1Char(' ') + user;
      return std::optional<QString>(QString::fromLatin1(kPassword));
    };
    console->window->edtCameraIP->setText(QStringLiteral("127.0.0.1"));
    console->window->BitBtn1->click();
  }

  bool WaitForCamera() {
    return QTest::qWaitFor([&] { return console->onvifCamera->EventsSubscribed(); }, kPatienceMs);
  }

  QString Pane() const { return console->window->memMessage->Lines().join('\n'); }
};

TEST_F(ConsoleOnvifTest, VideoPlatesGateAndSnapshotThroughTheCamera) {
  StartLaneSim();
  StartConsole(QString::fromLatin1(kPassword));
  TfmVideoStream& window = *console->window;
  EXPECT_TRUE(window.windowTitle().endsWith(
      QStringLiteral("摄像机 onvif://admin@{address}:%1").arg(onvifPort)))
      << window.windowTitle().toStdString();
  ASSERT_TRUE(WaitForCamera()) << Pane().toStdString();
  EXPECT_TRUE(Pane().contains(QStringLiteral("制造商"))) << Pane().toStdString();

  ASSERT_TRUE(QTest::qWaitFor([&] { return !console->Video()->LastFrame().isNull(); }, kPatienceMs))
      << "the camera names 127.0.0.2 in its stream address; the console must reach 127.0.0.1";

  ::kill(static_cast<pid_t>(lanesim->Process().processId()), SIGUSR1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.imgPlate->HasPicture(); }, kPatienceMs))
      << Pane().toStdString();
  EXPECT_TRUE(window.imgAll->HasPicture());
  EXPECT_FALSE(window.edtPlate->text().isEmpty());

  window.rgpSystemType->Button(0)->click();  // the simple lane: the camera opens the gate
  window.BitBtn3->click();                   // 开闸
  // The relay is asked without holding the window's thread: the event loop runs meanwhile.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return !lanesim->Lines().filter(QStringLiteral("barrier opening")).isEmpty(); },
      kPatienceMs))
      << lanesim->Lines().join('\n').toStdString() << '\n'
      << Pane().toStdString();

  QFile::remove(folder.filePath(QStringLiteral("XJ.jpg")));
  window.BitBtn7->click();  // 手动抓图
  QFile snapshot(folder.filePath(QStringLiteral("XJ.jpg")));
  ASSERT_TRUE(snapshot.open(QIODevice::ReadOnly));
  EXPECT_TRUE(snapshot.read(2) == QByteArray("\xFF\xD8", 2)) << "a JPEG from the camera";

  window.BitBtn2->click();  // 手动补拍: ONVIF has no standard trigger
  ASSERT_FALSE(boxes.texts.empty());
  EXPECT_NE(boxes.texts.back().indexOf(QStringLiteral("Trigger")), -1)
      << boxes.texts.back().toStdString();
  EXPECT_EQ(boxes.texts.size(), 1u) << "only the trigger fails";
  EXPECT_FALSE(Pane().contains(QString::fromLatin1(kPassword)));
}

TEST_F(ConsoleOnvifTest, AWrongPasswordAsksOnceAndTheAnswerConnects) {
  StartLaneSim({"--onvif-auth", "digest"});
  StartConsole(QStringLiteral("wrong"));
  ASSERT_TRUE(WaitForCamera()) << Pane().toStdString();
  EXPECT_EQ(asked, QStringList{QStringLiteral("127.0.0.1 admin")});
  EXPECT_TRUE(Pane().contains(QStringLiteral("拒绝"))) << Pane().toStdString();
  EXPECT_TRUE(boxes.texts.empty()) << "a refused password is a notice, not an error box";
  EXPECT_FALSE(Pane().contains(QStringLiteral("wrong")));
}

TEST_F(ConsoleOnvifTest, PlatesComeAgainAfterTheCameraRestarts) {
  StartLaneSim();
  StartConsole(QString::fromLatin1(kPassword));
  ASSERT_TRUE(WaitForCamera()) << Pane().toStdString();

  lanesim.reset();
  StartLaneSim();
  console->window->edtPlate->clear();
  // The console subscribes again within a few seconds of the camera answering:
  // a car a second until one is shown.
  const bool shown = QTest::qWaitFor(
      [&] {
        ::kill(static_cast<pid_t>(lanesim->Process().processId()), SIGUSR1);
        return QTest::qWaitFor([&] { return !console->window->edtPlate->text().isEmpty(); }, 1000);
      },
      kPatienceMs);
  EXPECT_TRUE(shown) << Pane().toStdString();
}

}  // namespace
