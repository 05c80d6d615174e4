#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "LaneSimProcess.h"

namespace lanesim::testing {
namespace {

const QByteArray kGateOpen = QByteArray::fromHex("55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F8");
const QByteArray kReadCard = QByteArray::fromHex("55 D5 44 00 00 00 01 00 05 87 BB A2 00 64 7E A6");
// The answer to kReadCard with the deck's first card, 0x12345678.
const QByteArray kFirstCardReply = QByteArray::fromHex(
    "55 D5 44 00 00 00 01 00 11 22 ED A2 78 56 34 12 00 00 64 01 00 00 00 00 00 00 F2 61");
constexpr qsizetype kReplyBytes = 28;

QByteArray Flipped(QByteArray frame, qsizetype at) {
  frame[at] = static_cast<char>(frame[at] ^ 0x01);
  return frame;
}

class LaneSimPty : public ::testing::Test {
 protected:
  QStringList Arguments(QStringList more = {}) const { return QStringList{"--pty", link} + more; }

  QTemporaryDir dir;
  const QString link = dir.filePath(QStringLiteral("lane-tty"));
};

TEST_F(LaneSimPty, ServesTheControllerAndMonitorsEveryFrame) {
  LaneSimProcess lanesim(Arguments());
  ASSERT_TRUE(lanesim.Started());
  const auto where =
      QRegularExpression(QStringLiteral("^lanesim: serial line on (.+) \\((/dev/pts/\\d+)\\), "
                                        "9600 baud$"))
          .match(lanesim.Lines().front());
  ASSERT_TRUE(where.hasMatch()) << lanesim.Lines().front().toStdString();
  EXPECT_EQ(where.captured(1), link);
  EXPECT_EQ(QFileInfo(link).symLinkTarget(), where.captured(2));

  // The far side may close the line and open it again.
  for (const QByteArray& card :
       {QByteArray("\x78\x56\x34\x12\x00", 5), QByteArray("\x01\x02\x03\x04\x05", 5)}) {
    RawTty tty(link);
    ASSERT_TRUE(tty.Write(kGateOpen + kReadCard));
    const QByteArray reply = tty.Read(kReplyBytes);
    ASSERT_EQ(reply.size(), kReplyBytes);
    EXPECT_EQ(reply.left(12), kFirstCardReply.left(12));
    EXPECT_EQ(reply.mid(12, 5), card);
  }
  for (const char* line :
       {"controller 1: gate open", "controller 1: read card, answered card 305419896",
        "controller 1: read card, answered card 21542142465"}) {
    EXPECT_TRUE(lanesim.WaitForLineStarting(QString::fromUtf8(line))) << line;
  }

  RawTty tty(link);
  ASSERT_TRUE(tty.Write(Flipped(kGateOpen, kGateOpen.size() - 1)));
  EXPECT_TRUE(lanesim.WaitForLineStarting(QStringLiteral("fault: body checksum (1 so far)")));
}

TEST_F(LaneSimPty, QuietServesButPrintsNoMonitorLines) {
  LaneSimProcess lanesim(Arguments({QStringLiteral("--quiet")}));
  ASSERT_TRUE(lanesim.Started());
  RawTty tty(link);
  ASSERT_TRUE(tty.Write(kGateOpen + Flipped(kGateOpen, 12) + kReadCard));
  // The reply comes after the lane has handled everything sent before it.
  EXPECT_EQ(tty.Read(kReplyBytes), kFirstCardReply);
  lanesim.Process().terminate();
  ASSERT_TRUE(lanesim.Process().waitForFinished(kPatienceMs));
  for (const QString& line : lanesim.Lines()) {
    EXPECT_TRUE(line.startsWith(QLatin1String("lanesim: "))) << line.toStdString();
  }
}

// Lower bounds only: a busy machine makes anything later, never earlier. The
// request and the reply each take their line time, plus the 80 ms the lane
// takes to answer; at 300 baud the reply's 933 ms must also be spread over
// its bytes, not come at once (half of it leaves room for a late read).
TEST_F(LaneSimPty, RoundTripTakesTheLinesTimeBothWays) {
  constexpr qint64 kReplyDelayNs = 80'000'000;
  constexpr qint64 kClockGrainNs = 1'000'000;
  for (int baud : {1200, 300}) {
    const qint64 byteNs = 10'000'000'000 / baud;
    LaneSimProcess lanesim(Arguments({QStringLiteral("--baud"), QString::number(baud)}));
    ASSERT_TRUE(lanesim.Started());
    RawTty tty(link);
    QElapsedTimer clock;
    qint64 first = 0;
    qint64 last = 0;
    clock.start();
    ASSERT_TRUE(tty.Write(kReadCard));
    ASSERT_EQ(tty.Read(kReplyBytes, &clock, &first, &last).size(), kReplyBytes);

    const qint64 request = kReadCard.size() * byteNs;
    EXPECT_GE(first, request + kReplyDelayNs + byteNs - kClockGrainNs) << baud;
    EXPECT_GE(last, request + kReplyDelayNs + kReplyBytes * byteNs - kClockGrainNs) << baud;
    if (baud == 300) {
      EXPECT_GE(last - first, kReplyBytes * byteNs / 2);
    }
  }
}

TEST_F(LaneSimPty, EndsOnSignalRemovingTheLink) {
  for (int signal : {SIGTERM, SIGINT}) {
    LaneSimProcess lanesim(Arguments());
    ASSERT_TRUE(lanesim.Started());
    ASSERT_TRUE(QFileInfo(link).isSymLink());
    ASSERT_EQ(::kill(static_cast<pid_t>(lanesim.Process().processId()), signal), 0);
    ASSERT_TRUE(lanesim.Process().waitForFinished(kPatienceMs));
    EXPECT_EQ(lanesim.Process().exitStatus(), QProcess::NormalExit) << signal;
    EXPECT_EQ(lanesim.Process().exitCode(), 0) << signal;
    EXPECT_FALSE(QFileInfo(link).isSymLink()) << signal;
  }
}

TEST_F(LaneSimPty, ReplacesAStaleLinkButNoFile) {
  std::filesystem::create_symlink("/dev/pts/lanesim-gone", link.toStdString());
  {
    LaneSimProcess lanesim(Arguments());
    ASSERT_TRUE(lanesim.Started());
    EXPECT_NE(QFileInfo(link).symLinkTarget(), QLatin1String("/dev/pts/lanesim-gone"));
  }
  std::filesystem::remove(link.toStdString());
  std::ofstream(link.toStdString()) << "not a tty";
  LaneSimProcess lanesim(Arguments());
  ASSERT_TRUE(lanesim.Process().waitForFinished(kPatienceMs));
  EXPECT_EQ(lanesim.Process().exitCode(), 1);
  // Qt may warn about the environment first; lanesim's own word comes last.
  const QString error = QString::fromUtf8(lanesim.Process().readAllStandardError()).trimmed();
  EXPECT_TRUE(error.section('\n', -1).startsWith("lanesim: " + link)) << error.toStdString();
  EXPECT_EQ(QFileInfo(link).size(), 9);
}

TEST(LaneSimCommandLine, BadOptionsExitTwoWithOneLine) {
  const QStringList cases[] = {{},
                               {"--baud", "0", "--tcp", "0"},
                               {"--nonsense"},
                               {"--push", "https://127.0.0.1:8080/plates"},
                               {"--push", "http://127.0.0.1:8080/plates", "--push-format", "xml"},
                               {"--push-format", "openalpr", "--tcp", "0"},
                               {"--onvif", "0", "--onvif-media", "3"}};
  for (const QStringList& arguments : cases) {
    LaneSimProcess lanesim(arguments);
    ASSERT_TRUE(lanesim.Process().waitForFinished(kPatienceMs));
    const QString error = QString::fromUtf8(lanesim.Process().readAllStandardError());
    EXPECT_EQ(lanesim.Process().exitCode(), 2) << arguments.join(' ').toStdString();
    EXPECT_EQ(error.count('\n'), 1) << error.toStdString();
    EXPECT_TRUE(error.startsWith(QLatin1String("lanesim: "))) << error.toStdString();
  }
}

TEST(LaneSimOnvif, SaysWhereAfterTheVideoRefusesABusyPortAndEndsOnSignal) {
  LaneSimProcess lanesim({"--rtsp", "0", "--onvif", "0", "--quiet"});
  ASSERT_TRUE(lanesim.WaitForLineStarting(QStringLiteral("lanesim: onvif on ")));
  ASSERT_GE(lanesim.Lines().size(), 2);
  EXPECT_TRUE(lanesim.Lines()[0].startsWith("lanesim: video on rtsp://127.0.0.1:"));
  const auto where =
      QRegularExpression(QStringLiteral("^lanesim: onvif on http://127\\.0\\.0\\.1:(\\d+)"
                                        "/onvif/device_service$"))
          .match(lanesim.Lines()[1]);
  ASSERT_TRUE(where.hasMatch()) << lanesim.Lines()[1].toStdString();

  LaneSimProcess busy({"--onvif", where.captured(1)});
  ASSERT_TRUE(busy.Process().waitForFinished(kPatienceMs));
  EXPECT_EQ(busy.Process().exitCode(), 1);
  const QString error = QString::fromUtf8(busy.Process().readAllStandardError()).trimmed();
  EXPECT_EQ(error.section('\n', -1),
            QStringLiteral("lanesim: cannot serve ONVIF on 127.0.0.1:%1").arg(where.captured(1)));

  ASSERT_EQ(::kill(static_cast<pid_t>(lanesim.Process().processId()), SIGTERM), 0);
  ASSERT_TRUE(lanesim.Process().waitForFinished(kPatienceMs));
  EXPECT_EQ(lanesim.Process().exitCode(), 0);
}

// The card field of a whole reply to kReadCard, or nothing.
QByteArray ReadCard(QTcpSocket& socket) {
  socket.write(kReadCard);
  QByteArray reply;
  const QDeadlineTimer deadline(kPatienceMs);
  while (reply.size() < kReplyBytes && !deadline.hasExpired()) {
    if (socket.bytesAvailable() == 0) socket.waitForReadyRead(100);
    reply += socket.readAll();
  }
  return reply.size() == kReplyBytes && reply[11] == '\xA2' ? reply.mid(12, 5) : QByteArray();
}

TEST(LaneSimTcp, ServesOneClientAtATime) {
  LaneSimProcess lanesim({QStringLiteral("--tcp"), QStringLiteral("0")});
  ASSERT_TRUE(lanesim.Started());
  const auto where = QRegularExpression(QStringLiteral("^lanesim: device server on "
                                                       "127\\.0\\.0\\.1:(\\d+), 9600 baud$"))
                         .match(lanesim.Lines().front());
  ASSERT_TRUE(where.hasMatch()) << lanesim.Lines().front().toStdString();
  auto connected = [port = where.captured(1).toUShort()](QTcpSocket& socket) {
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(kPatienceMs);
  };

  QTcpSocket first;
  ASSERT_TRUE(connected(first));
  EXPECT_EQ(ReadCard(first), QByteArray("\x78\x56\x34\x12\x00", 5));

  QTcpSocket second;
  ASSERT_TRUE(connected(second));
  EXPECT_TRUE(second.state() == QAbstractSocket::UnconnectedState ||
              second.waitForDisconnected(kPatienceMs));
  EXPECT_TRUE(lanesim.WaitForLineStarting(QStringLiteral("lanesim: refused 127.0.0.1:")));
  EXPECT_EQ(ReadCard(first), QByteArray("\x01\x02\x03\x04\x05", 5));

  const QString left = QStringLiteral("lanesim: client 127.0.0.1:%1 left").arg(first.localPort());
  first.disconnectFromHost();
  if (first.state() != QAbstractSocket::UnconnectedState) first.waitForDisconnected(kPatienceMs);
  ASSERT_TRUE(lanesim.WaitForLineStarting(left));
  QTcpSocket third;
  ASSERT_TRUE(connected(third));
  EXPECT_EQ(ReadCard(third).size(), 5);
}

}  // namespace
}  // namespace lanesim::testing
