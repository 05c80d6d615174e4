// `lanectl send` on a real line: lanesim behind a pseudo-terminal.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "LaneCtlProcess.h"
#include "LaneSimProcess.h"

namespace {

using lanesim::testing::kPatienceMs;
using lanesim::testing::LaneSimProcess;

class LaneCtlSend : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(lanesim.Started()); }

  QStringList Send(const QStringList& more) const {
    return QStringList{"send", "--serial", link} + more;
  }

  QTemporaryDir folder;
  const QString link = folder.filePath(QStringLiteral("lane-tty"));
  LaneSimProcess lanesim{{"--pty", link}};
};

TEST_F(LaneCtlSend, PrintsTheAnswerAndItsParse) {
  const ToolRun run = LaneCtl(Send({"read-card", "--address", "1"}));

  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  // As text, so that a failure shows what was printed.
  EXPECT_EQ(run.out.toStdString(),
            " 55 D5 44 00 00 00 01 00 11 22 ED A2 78 56 34 12 00 00 64 01 00 00 00 00 00 00 F2 "
            "61\n"
            "{\"result\":0,\"command\":162,\"address\":1,\"card_number\":305419896,"
            "\"value17\":100,\"low2_of_19\":1,\"bit2_of_19\":0,\"byte20\":0,\"byte21\":0,"
            "\"byte22\":0}\n");
  EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

TEST_F(LaneCtlSend, WithoutWaitingTheFrameStillGoesOut) {
  const ToolRun run = LaneCtl(Send({"--wait", "0", "gate-open", "--address", "1"}));

  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.isEmpty());
  EXPECT_TRUE(lanesim.WaitForLineStarting(QStringLiteral("controller 1: gate open")));
}

TEST_F(LaneCtlSend, NoAnswerInTimeIsStatus1) {
  // Controllers answer only the card read: a voice command gets nothing back.
  const ToolRun run =
      LaneCtl(Send({"--wait", "300", "voice-codes", "--address", "1", "--codes", "28"}));

  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.out.isEmpty());
  EXPECT_EQ(run.err, QStringLiteral("lanectl: no answer within 300 ms\n"));
  EXPECT_TRUE(lanesim.WaitForLineStarting(QStringLiteral("controller 1: voice clips 28")));
}

TEST_F(LaneCtlSend, BadLineSettingsAreBadInput) {
  for (const QStringList& bad : {QStringList{"--parity", "mark"}, QStringList{"--baud", "0"},
                                 QStringList{"--wait", "-1"}, QStringList{"--rx-gap", "fast"}}) {
    const ToolRun run = LaneCtl(Send(bad + QStringList{"gate-close", "--address", "1"}));
    EXPECT_EQ(run.status, 2) << bad.join(' ').toStdString();
    // The message names the option that is wrong.
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("lanectl: ") + bad[0] + QStringLiteral(": ")))
        << run.err.toStdString();
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1);
  }
}

TEST(LaneCtlSendNowhere, AMissingPortIsStatus1NamingIt) {
  QTemporaryDir folder;
  const QString missing = folder.filePath(QStringLiteral("no-such-tty"));
  const ToolRun run = LaneCtl({"send", "--serial", missing, "gate-close", "--address", "1"});

  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.startsWith("lanectl: " + missing + ": ")) << run.err.toStdString();
}

}  // namespace
