#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "Controller.h"
#include "LaneTestSupport.h"
#include "VirtualLane.h"

namespace virtual_lane {
namespace {

constexpr int kPatienceMs = 5000;
const QString kAddress = QStringLiteral("192.168.1.100");
const QSize kWidgetSize(392, 229);

LaneTimings Quick() {
  LaneTimings timings;
  timings.carPeriodMs = 0;
  timings.frameIntervalMs = 5;
  return timings;
}

QImage Frame(VirtualVideo& video, QSize size = kWidgetSize) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::magenta);
  QPainter painter(&image);
  video.Paint(painter, image.rect());
  return image;
}

// The devices' column, below the clock.
QImage Devices(const QImage& frame) {
  return frame.copy(frame.width() * 0.7, frame.height() * 0.07, frame.width() * 0.3,
                    frame.height() * 0.93);
}

// The road with car and barrier, below the clock.
QImage Road(const QImage& frame) {
  return frame.copy(0, frame.height() * 0.07, frame.width() * 0.68, frame.height() * 0.93);
}

class VirtualVideoTest : public ::testing::Test {
 protected:
  void Send(const protocol::ByteFrame& frame) {
    world.LaneAt(kAddress)->ReceiveSerial(frame.bytes);
  }

  VirtualLaneWorld world{Quick()};
  VirtualVideo video{world};
};

TEST_F(VirtualVideoTest, ALaneAddressShowsThatLaneLive) {
  QSignalSpy frames(&video, &camera::VideoBackend::FrameChanged);
  ASSERT_FALSE(video.PutStreamAddress(kAddress).Failed());
  EXPECT_EQ(video.Showing(), world.LaneAt(kAddress));
  EXPECT_TRUE(video.Live());
  EXPECT_TRUE(QTest::qWaitFor([&] { return frames.size() >= 3; }, kPatienceMs));
}

TEST_F(VirtualVideoTest, NoAddressShowsNoSignalAndRunsNoTimer) {
  for (const char* address : {"0", "", "999.1.1.1", "camera"}) {
    video.PutStreamAddress(kAddress);
    QSignalSpy frames(&video, &camera::VideoBackend::FrameChanged);
    ASSERT_FALSE(video.PutStreamAddress(QString::fromUtf8(address)).Failed());
    EXPECT_EQ(video.Showing(), nullptr) << address;
    EXPECT_FALSE(video.Live()) << address;
    EXPECT_EQ(frames.size(), 1) << "one repaint for the no-signal picture";
  }
}

TEST_F(VirtualVideoTest, NoSignalPictureIsNotTheLane) {
  const QImage noSignal = Frame(video);
  video.PutStreamAddress(kAddress);
  EXPECT_NE(Devices(Frame(video)), Devices(noSignal));
  EXPECT_NE(noSignal.pixel(1, 1), QColor(Qt::magenta).rgb());
}

TEST_F(VirtualVideoTest, TheDevicesShowWhatTheyAreSent) {
  video.PutStreamAddress(kAddress);
  const QImage before = Devices(Frame(video));
  EXPECT_EQ(Devices(Frame(video)), before);
  Send(protocol::BuildCountDisplayFrame(1, 250, testing::Gbk("158")));
  const QImage withCount = Devices(Frame(video));
  EXPECT_NE(withCount, before);
  Send(protocol::BuildThreeLineDisplayFrame(1, testing::Gbk("粤B12345"), {}, {}));
  EXPECT_NE(Devices(Frame(video)), withCount);
}

TEST_F(VirtualVideoTest, TheBarrierIsSeenToOpen) {
  video.PutStreamAddress(kAddress);
  Lane* lane = world.LaneAt(kAddress);
  const QImage closed = Road(Frame(video));
  lane->OpenGate();
  ASSERT_TRUE(QTest::qWaitFor([&] { return lane->Look().barrierOpening >= 1; }, kPatienceMs));
  EXPECT_NE(Road(Frame(video)), closed);
}

TEST_F(VirtualVideoTest, PaintsAnyAreaWithoutTrouble) {
  video.PutStreamAddress(kAddress);
  for (QSize size : {QSize(1, 1), QSize(2000, 3), QSize(1280, 720), kWidgetSize}) {
    EXPECT_EQ(Frame(video, size).size(), size);
  }
  QImage image(10, 10, QImage::Format_RGB32);
  QPainter painter(&image);
  video.Paint(painter, QRect());
}

}  // namespace
}  // namespace virtual_lane
