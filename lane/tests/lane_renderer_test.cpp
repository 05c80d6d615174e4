#include <gtest/gtest.h>
#include <QPainter>
#include <QTest>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "Controller.h"
#include "LaneRenderer.h"
#include "LaneTestSupport.h"
#include "VirtualLane.h"

namespace virtual_lane {
namespace {

constexpr int kPatienceMs = 5000;
constexpr int kFrameIntervalMs = 5;
const QSize kSize(320, 180);
const QString kAddress = QStringLiteral("127.0.0.1");

// Hands out frames in memory of its own, keeps copies of those drawn, and
// declines to take any while told to.
class RecordingTarget : public FrameTarget {
 public:
  QImage Canvas(QSize size) override {
    const std::lock_guard lock(mutex_);
    ++asked_;
    if (declining_) return {};
    memory_.assign(static_cast<std::size_t>(size.width()) * size.height(), 0);
    return QImage(reinterpret_cast<uchar*>(memory_.data()), size.width(), size.height(),
                  QImage::Format_RGB32);
  }
  void Take(QImage& frame) override {
    const std::lock_guard lock(mutex_);
    allInPlace_ = allInPlace_ && frame.constBits() == reinterpret_cast<uchar*>(memory_.data());
    frames_.push_back(frame.copy());
  }

  void Decline(bool declining) {
    const std::lock_guard lock(mutex_);
    declining_ = declining;
  }
  int Asked() const {
    const std::lock_guard lock(mutex_);
    return asked_;
  }
  std::size_t Count() const {
    const std::lock_guard lock(mutex_);
    return frames_.size();
  }
  QImage Last() const {
    const std::lock_guard lock(mutex_);
    return frames_.empty() ? QImage() : frames_.back();
  }
  bool AllInPlace() const {
    const std::lock_guard lock(mutex_);
    return allInPlace_;
  }
  // The next frame drawn from now on.
  QImage Next() {
    const std::size_t seen = Count();
    if (!QTest::qWaitFor([&] { return Count() > seen; }, kPatienceMs)) return {};
    return Last();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<quint32> memory_;
  std::vector<QImage> frames_;
  int asked_ = 0;
  bool declining_ = false;
  bool allInPlace_ = true;
};

// The devices' column, below the clock: it changes only with the lane.
QImage Devices(const QImage& frame) {
  return frame.copy(frame.width() * 0.7, frame.height() * 0.07, frame.width() * 0.3,
                    frame.height() * 0.93);
}

QImage Painted(const std::function<void(QPainter&, const QRect&)>& paint, QSize size = kSize) {
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  paint(painter, image.rect());
  return image;
}

QImage LanePicture(const Lane& lane) {
  LaneArtist artist;
  return Painted(
      [&](QPainter& painter, const QRect& area) { artist.Paint(painter, area, lane.Look()); });
}

QImage NoSignalPicture() {
  return Painted(&LaneArtist::PaintNoSignal);
}

double MeanDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return 255;
  const QImage first = a.convertToFormat(QImage::Format_RGB32);
  const QImage second = b.convertToFormat(QImage::Format_RGB32);
  double sum = 0;
  for (int y = 0; y < first.height(); ++y) {
    const auto* one = reinterpret_cast<const QRgb*>(first.constScanLine(y));
    const auto* other = reinterpret_cast<const QRgb*>(second.constScanLine(y));
    for (int x = 0; x < first.width(); ++x) {
      sum += std::abs(qRed(one[x]) - qRed(other[x])) + std::abs(qGreen(one[x]) - qGreen(other[x])) +
             std::abs(qBlue(one[x]) - qBlue(other[x]));
    }
  }
  return sum / (3.0 * first.width() * first.height());
}

class LaneRendererTest : public ::testing::Test {
 protected:
  std::unique_ptr<Lane> lane = std::make_unique<Lane>(kAddress, LaneTimings{});
  RecordingTarget target;
  LaneRenderer renderer{target, kFrameIntervalMs};
};

TEST_F(LaneRendererTest, DrawsTheLaneIntoTheTargetsMemoryAtTheSizeSet) {
  renderer.SetSize(kSize);
  renderer.Show(lane.get());
  const QImage frame = target.Next();
  ASSERT_EQ(frame.size(), kSize);
  EXPECT_EQ(Devices(frame), Devices(LanePicture(*lane)));
  EXPECT_TRUE(target.AllInPlace());
}

TEST_F(LaneRendererTest, FollowsTheLaneUntilItIsGone) {
  renderer.SetSize(kSize);
  renderer.Show(lane.get());
  const QImage before = Devices(target.Next());
  lane->ReceiveSerial(protocol::BuildCountDisplayFrame(1, 250, testing::Gbk("158")).bytes);
  const QImage withCount = Devices(LanePicture(*lane));
  ASSERT_NE(withCount, before);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Devices(target.Last()) == withCount; }, kPatienceMs));

  for (const bool deleted : {false, true}) {
    if (deleted) {
      renderer.Show(lane.get());
      ASSERT_TRUE(
          QTest::qWaitFor([&] { return Devices(target.Last()) == withCount; }, kPatienceMs));
      lane.reset();
    } else {
      renderer.Show(nullptr);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return target.Last() == NoSignalPicture(); }, kPatienceMs))
        << (deleted ? "lane deleted" : "no lane");
  }
}

TEST_F(LaneRendererTest, DrawsNothingWithoutASizeOrWhileTheTargetDeclines) {
  renderer.Show(lane.get());
  QTest::qWait(10 * kFrameIntervalMs);
  EXPECT_EQ(target.Asked(), 0);

  target.Decline(true);
  renderer.SetSize(kSize);
  ASSERT_TRUE(QTest::qWaitFor([&] { return target.Asked() >= 3; }, kPatienceMs));
  EXPECT_EQ(target.Count(), 0u);

  target.Decline(false);
  EXPECT_FALSE(target.Next().isNull());
}

// At 200 % scaling a frame is drawn in device pixels, as sharp as one drawn
// at twice the size.
TEST(LaneHiDpi, APictureOnADoubleDensityDeviceIsDrawnInItsPixels) {
  const Lane lane(kAddress, LaneTimings{});
  LaneArtist artist;
  QImage doubled(kSize * 2, QImage::Format_RGB32);
  doubled.setDevicePixelRatio(2);
  {
    QPainter painter(&doubled);
    artist.Paint(painter, QRect(QPoint(0, 0), kSize), lane.Look());
  }
  doubled.setDevicePixelRatio(1);
  const QImage twiceAsLarge = Painted(
      [&](QPainter& painter, const QRect& area) { artist.Paint(painter, area, lane.Look()); },
      kSize * 2);
  // A picture drawn at half the size and stretched differs by about 1.2.
  EXPECT_LT(MeanDifference(Devices(doubled), Devices(twiceAsLarge)), 0.1);
}

class RecordingSink : public camera::FrameSink {
 public:
  void SetSurface(quintptr, QSize) override {}
  void Show(const QImage& frame) override {
    const std::lock_guard lock(mutex_);
    last_ = frame.copy();
  }
  QImage LastFrame() const override {
    const std::lock_guard lock(mutex_);
    return last_;
  }

 private:
  mutable std::mutex mutex_;
  QImage last_;
};

TEST(LaneHiDpi, FramesForAControlWithoutSurfaceComeInItsDevicePixels) {
  VirtualLaneWorld world{LaneTimings{.frameIntervalMs = kFrameIntervalMs}};
  RecordingSink sink;
  VirtualVideo video(world, &sink);
  video.PutStreamAddress(kAddress);
  QImage control(kSize * 2, QImage::Format_RGB32);
  control.setDevicePixelRatio(2);
  QPainter painter(&control);
  video.Paint(painter, QRect(QPoint(0, 0), kSize));
  EXPECT_TRUE(QTest::qWaitFor([&] { return sink.LastFrame().size() == kSize * 2; }, kPatienceMs));
}

}  // namespace
}  // namespace virtual_lane
