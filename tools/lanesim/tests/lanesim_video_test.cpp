#include <gtest/gtest.h>
#include <QDateTime>
#include <QPainter>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <optional>

#include "FrameStamp.h"
#include "Lane.h"
#include "LaneArtist.h"
#include "LaneSimProcess.h"
#include "RtspPlayer.h"

namespace lanesim::testing {
namespace {

const QSize kFrameSize(1280, 720);
constexpr int kStampedFrames = 10;
// Mean difference per channel, out of 255, that H.264 leaves on the lane's
// picture; any other picture is far beyond it.
constexpr double kSamePicture = 12;

QString VideoUrl(const QString& line) {
  const auto match =
      QRegularExpression(QStringLiteral("^lanesim: video on (rtsp://127\\.0\\.0\\.1:\\d+/lane)$"))
          .match(line);
  return match.hasMatch() ? match.captured(1) : QString();
}

// What lanesim's lane, untouched, looks like.
QImage LanePicture() {
  const virtual_lane::Lane lane(QStringLiteral("127.0.0.1"), virtual_lane::LaneTimings{});
  QImage picture(kFrameSize, QImage::Format_RGB32);
  virtual_lane::LaneArtist artist;
  QPainter painter(&picture);
  artist.Paint(painter, picture.rect(), lane.Look());
  return picture;
}

double MeanDifference(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y) {
    const auto* lineA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const auto* lineB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) {
      sum += std::abs(qRed(lineA[x]) - qRed(lineB[x])) +
             std::abs(qGreen(lineA[x]) - qGreen(lineB[x])) +
             std::abs(qBlue(lineA[x]) - qBlue(lineB[x]));
    }
  }
  return sum / (3.0 * a.width() * a.height());
}

qint64 Now() {
  return QDateTime::currentMSecsSinceEpoch();
}

// A client and the newest frame it saw: what it plays next must be newer.
class Viewer {
 public:
  // Until a keyframe, a client that joined the shared stream or lost a packet
  // decodes garbage, whose stamp must be refused; a keyframe comes every
  // second, 25 frames.
  static constexpr int kGarbledFrames = 3 * 25;
  // A frame drawn a little before a client joins may still be on its way.
  static constexpr qint64 kOnTheWayMs = 1000;

  explicit Viewer(const QString& url) : player_(url), seen_(Now() - kOnTheWayMs) {}

  // Plays until `count` frames had a readable stamp, expecting every frame
  // full size, each stamp newer than the one before and none later than its
  // arrival.
  void ExpectLiveFrames(int count = kStampedFrames) {
    int stamped = 0;
    int unreadable = 0;
    const QDeadlineTimer deadline(kPatienceMs);
    while (stamped < count) {
      const QImage frame = player_.NextFrame(deadline);
      ASSERT_FALSE(frame.isNull()) << "no frame after " << stamped << " stamped ones";
      const qint64 arrived = Now();
      EXPECT_EQ(frame.size(), kFrameSize);
      const std::optional<qint64> stamp = virtual_lane::ReadFrameStamp(frame, arrived);
      if (!stamp) {
        ++unreadable;
        continue;
      }
      EXPECT_GT(*stamp, seen_);
      EXPECT_LE(*stamp, arrived);
      seen_ = *stamp;
      last_ = frame;
      ++stamped;
    }
    EXPECT_LE(unreadable, kGarbledFrames);
  }

  const QImage& Last() const { return last_; }

 private:
  RtspPlayer player_;
  qint64 seen_;
  QImage last_;
};

TEST(LaneSimVideo, EveryClientSeesTheLaneLiveWithReadableStamps) {
  LaneSimProcess lanesim({QStringLiteral("--rtsp"), QStringLiteral("0")});
  ASSERT_TRUE(lanesim.Started());
  const QString url = VideoUrl(lanesim.Lines().front());
  ASSERT_FALSE(url.isEmpty()) << lanesim.Lines().front().toStdString();

  auto first = std::make_unique<Viewer>(url);
  first->ExpectLiveFrames();
  EXPECT_LT(MeanDifference(first->Last(), LanePicture()), kSamePicture);

  auto second = std::make_unique<Viewer>(url);
  second->ExpectLiveFrames();
  first->ExpectLiveFrames();

  // One leaving neither stops the other nor keeps a newcomer out.
  first.reset();
  second->ExpectLiveFrames();
  auto third = std::make_unique<Viewer>(url);
  third->ExpectLiveFrames();

  // Once nobody watches, the next client starts the stream again.
  second.reset();
  third.reset();
  Viewer fourth(url);
  fourth.ExpectLiveFrames();
}

TEST(LaneSimVideo, ANewClientPlaysAfterLanesimRestartsOnTheSamePort) {
  QString url;
  {
    LaneSimProcess lanesim(
        {QStringLiteral("--rtsp"), QStringLiteral("0"), QStringLiteral("--quiet")});
    ASSERT_TRUE(lanesim.Started());
    url = VideoUrl(lanesim.Lines().front());
    ASSERT_FALSE(url.isEmpty()) << lanesim.Lines().front().toStdString();
    Viewer viewer(url);
    viewer.ExpectLiveFrames(3);
    // Stopped while a client plays.
    lanesim.Process().terminate();
    ASSERT_TRUE(lanesim.Process().waitForFinished(kPatienceMs));
    EXPECT_EQ(lanesim.Process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(lanesim.Process().exitCode(), 0);
  }

  QTemporaryDir dir;
  LaneSimProcess lanesim({QStringLiteral("--pty"), dir.filePath(QStringLiteral("lane-tty")),
                          QStringLiteral("--rtsp"), url.section(':', 2).section('/', 0, 0)});
  ASSERT_TRUE(lanesim.Started());
  EXPECT_TRUE(lanesim.Lines().front().startsWith(QLatin1String("lanesim: serial line on ")));
  ASSERT_TRUE(lanesim.WaitForLineStarting(QStringLiteral("lanesim: video on ")));
  ASSERT_GE(lanesim.Lines().size(), 2);
  EXPECT_EQ(VideoUrl(lanesim.Lines()[1]), url);
  Viewer viewer(url);
  viewer.ExpectLiveFrames();
}

TEST(LaneSimVideo, APortInUseEndsLanesimWithOneLine) {
  QTcpServer holder;
  ASSERT_TRUE(holder.listen(QHostAddress::LocalHost));
  LaneSimProcess lanesim({QStringLiteral("--rtsp"), QString::number(holder.serverPort())});
  ASSERT_TRUE(lanesim.Process().waitForFinished(kPatienceMs));
  EXPECT_EQ(lanesim.Process().exitCode(), 1);
  const QString error = QString::fromUtf8(lanesim.Process().readAllStandardError()).trimmed();
  EXPECT_TRUE(error.section('\n', -1).startsWith(
      QStringLiteral("lanesim: cannot serve video on 127.0.0.1:%1: ").arg(holder.serverPort())))
      << error.toStdString();
  EXPECT_TRUE(lanesim.Lines().isEmpty());
}

}  // namespace
}  // namespace lanesim::testing
