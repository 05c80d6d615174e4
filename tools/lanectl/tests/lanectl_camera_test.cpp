// `lanectl camera` against lanesim's ONVIF camera on 127.0.0.1, which names
// 127.0.0.2 in every address it hands out.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "LaneCtlProcess.h"
#include "LaneSimProcess.h"

namespace {

using lanesim::testing::kPatienceMs;
using lanesim::testing::LaneSimProcess;

constexpr char kPassword[] = "gate-keeper";

// lanectl with the camera's password in its environment, or none.
ToolRun LaneCtl(const QStringList& arguments, const QString& password = {}) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove(QStringLiteral("LANECONSOLE_CAMERA_PASSWORD"));
  if (!password.isEmpty()) {
    environment.insert(QStringLiteral("LANECONSOLE_CAMERA_PASSWORD"), password);
  }
  return ::LaneCtl(arguments, environment);
}

class LaneCtlCamera : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lanesim.WaitForLineStarting(QStringLiteral("lanesim: onvif on ")))
        << lanesim.Lines().join('\n').toStdString();
    const QRegularExpressionMatch port =
        QRegularExpression(QStringLiteral("onvif on http://[0-9.]+:(\\d+)/"))
            .match(lanesim.Lines().join('\n'));
    ASSERT_TRUE(port.hasMatch());
    url = QStringLiteral("onvif://admin@127.0.0.1:%1").arg(port.captured(1));
  }

  QTemporaryDir folder;
  LaneSimProcess lanesim{{"--onvif", "0", "--rtsp", "0", "--onvif-password", kPassword,
                          "--onvif-host", "127.0.0.2", "--onvif-clock-offset", "7200"}};
  QString url;
};

TEST_F(LaneCtlCamera, InfoNamesTheCameraItsAddressesAtTheTypedHostAndItsClock) {
  const ToolRun run = LaneCtl({"camera", url, "info"}, kPassword);

  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.contains(QStringLiteral("manufacturer    LaneConsole")))
      << run.out.toStdString();
  EXPECT_TRUE(
      run.out.contains(QRegularExpression(QStringLiteral("stream +rtsp://127\\.0\\.0\\.1:"))))
      << run.out.toStdString();
  EXPECT_TRUE(
      run.out.contains(QRegularExpression(QStringLiteral("snapshot +http://127\\.0\\.0\\.1:"))))
      << run.out.toStdString();
  EXPECT_FALSE(run.out.contains(QStringLiteral("127.0.0.2"))) << "every address at the typed host";
  EXPECT_TRUE(run.out.contains(QStringLiteral("relay output")));
  EXPECT_TRUE(run.out.contains(QStringLiteral("RuleEngine/Recognition/LicensePlate")))
      << run.out.toStdString();
  const QRegularExpressionMatch offset =
      QRegularExpression(QStringLiteral("clock offset +(-?[0-9.]+) s")).match(run.out);
  ASSERT_TRUE(offset.hasMatch()) << run.out.toStdString();
  EXPECT_NEAR(offset.captured(1).toDouble(), 7200, 5);
  EXPECT_FALSE(run.out.contains(QString::fromLatin1(kPassword)));
}

TEST_F(LaneCtlCamera, SnapshotGateAndTimeSync) {
  const QString file = folder.filePath(QStringLiteral("snap.jpg"));
  const ToolRun snapshot = LaneCtl({"camera", url, "snapshot", file}, kPassword);
  ASSERT_EQ(snapshot.status, 0) << snapshot.err.toStdString();
  QFile picture(file);
  ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
  EXPECT_EQ(picture.read(2), QByteArray("\xFF\xD8", 2));

  const ToolRun gate = LaneCtl({"camera", url, "gate"}, kPassword);
  ASSERT_EQ(gate.status, 0) << gate.err.toStdString();
  EXPECT_TRUE(lanesim.WaitForLineStarting(QStringLiteral("lanesim: relay ")));
  EXPECT_TRUE(lanesim.Lines().last().contains(QStringLiteral("barrier opening")))
      << lanesim.Lines().last().toStdString();

  const ToolRun sync = LaneCtl({"camera", url, "time-sync"}, kPassword);
  ASSERT_EQ(sync.status, 0) << sync.err.toStdString();
  const ToolRun after = LaneCtl({"camera", url, "info"}, kPassword);
  const QRegularExpressionMatch offset =
      QRegularExpression(QStringLiteral("clock offset +(-?[0-9.]+) s")).match(after.out);
  ASSERT_TRUE(offset.hasMatch()) << after.out.toStdString();
  EXPECT_NEAR(offset.captured(1).toDouble(), 0, 5) << "the camera's clock now runs with ours";
}

TEST_F(LaneCtlCamera, RefusalsAndBadInput) {
  const ToolRun wrong = LaneCtl({"camera", url, "info"}, QStringLiteral("not-it"));
  EXPECT_EQ(wrong.status, 1);
  EXPECT_TRUE(wrong.err.contains(QStringLiteral("refused"))) << wrong.err.toStdString();
  EXPECT_FALSE(wrong.err.contains(QStringLiteral("not-it")));

  EXPECT_EQ(LaneCtl({"camera", "onvif://admin@{address}:8080", "info"}).status, 2);
  EXPECT_EQ(LaneCtl({"camera", url, "reboot"}).status, 2);
  EXPECT_EQ(LaneCtl({"camera", url, "snapshot"}).status, 2) << "a snapshot needs its file";
  // Nothing listens at 127.0.0.2.
  const ToolRun unreachable = LaneCtl({"camera", "onvif://admin@127.0.0.2:9", "info"});
  EXPECT_EQ(unreachable.status, 1) << unreachable.err.toStdString();
}

}  // namespace
