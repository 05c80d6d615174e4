#include <gtest/gtest.h>
#include <QBuffer>
#include <QDateTime>
#include <QPainter>
#include <QRandomGenerator>

#include "FrameStamp.h"
#include "LaneArtist.h"

namespace virtual_lane {
namespace {

constexpr qint64 kTimePeriod = qint64{1} << 40;
constexpr qint64 kSomeMoment = 1'796'000'000'123;  // in 2026

QImage Noise(QSize size, QImage::Format format) {
  QImage image(size, QImage::Format_RGB32);
  QRandomGenerator random(7);
  for (int y = 0; y < size.height(); ++y) {
    auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
    for (int x = 0; x < size.width(); ++x) line[x] = random.generate() | 0xFF000000u;
  }
  return image.convertToFormat(format);
}

QImage Filled(QSize size, const QColor& colour) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

QImage LaneFrame() {
  QImage image(1280, 720, QImage::Format_RGB32);
  LaneLook look;
  look.address = QStringLiteral("127.0.0.1");
  look.twoLine = {QStringLiteral("欢迎光临"), QStringLiteral("京A12345")};
  look.carProgress = 1;
  LaneArtist artist;
  QPainter painter(&image);
  artist.Paint(painter, image.rect(), look);
  return image;
}

QImage Stamped(QImage image, qint64 captureMs) {
  PaintFrameStamp(image, captureMs);
  return image;
}

QImage Jpeg(const QImage& image, int quality) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, "JPG", quality));
  return QImage::fromData(bytes, "JPG");
}

void Flip(QImage& image, int block) {
  QPainter painter(&image);
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.fillRect(block % kFrameStampColumns * kFrameStampBlock,
                   block / kFrameStampColumns * kFrameStampBlock, kFrameStampBlock,
                   kFrameStampBlock, Qt::white);
}

TEST(FrameStamp, ReadsBackOnEverySizeAndPixelFormat) {
  const QSize sizes[] = {{kFrameStampWidth, kFrameStampHeight}, {1280, 720}, {1920, 1080}};
  const QImage::Format formats[] = {QImage::Format_RGB32, QImage::Format_ARGB32,
                                    QImage::Format_RGB888};
  const qint64 moments[] = {kSomeMoment, kTimePeriod * 2 - 1, kTimePeriod, 0x5555555555};
  for (const QSize size : sizes) {
    for (const QImage::Format format : formats) {
      for (const qint64 moment : moments) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height() << " format "
                                        << format << " at " << moment);
        QImage image = Noise(size, format);
        PaintFrameStamp(image, moment);
        EXPECT_EQ(image.format(), format);
        EXPECT_EQ(ReadFrameStamp(image, moment + 40), moment);
      }
    }
  }
}

// Only the low 40 bits travel: the rest comes from the reader's clock, which
// may be a little behind the writer's as well as ahead.
TEST(FrameStamp, FullTimeComesFromTheNearestPeriod) {
  const struct {
    qint64 capture;
    qint64 now;
  } cases[] = {
      {kSomeMoment, kSomeMoment + 200},
      {kSomeMoment, kSomeMoment - 200},
      {kTimePeriod - 3, kTimePeriod + 5},
      {kTimePeriod + 2, kTimePeriod - 1},
      {kSomeMoment, kSomeMoment + kTimePeriod / 2 - 1},
      {kSomeMoment, kSomeMoment - kTimePeriod / 2 + 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadFrameStamp(Stamped(Noise({600, 40}, QImage::Format_RGB32), c.capture), c.now),
              c.capture)
        << c.capture << " read at " << c.now;
  }
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  EXPECT_EQ(ReadFrameStamp(Stamped(LaneFrame(), now)), now);
}

TEST(FrameStamp, SurvivesJpegAtQualityFifty) {
  for (const qint64 moment : {kSomeMoment, kTimePeriod - 1, qint64{0}}) {
    const QImage decoded = Jpeg(Stamped(LaneFrame(), moment), 50);
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(ReadFrameStamp(decoded, moment), moment);
  }
}

TEST(FrameStamp, AnyOneOrTwoFlippedBlocksAreRefused) {
  const QImage stamped =
      Stamped(Filled({kFrameStampWidth, kFrameStampHeight}, Qt::gray), kSomeMoment);
  ASSERT_EQ(ReadFrameStamp(stamped, kSomeMoment), kSomeMoment);
  constexpr int kBlocks = kFrameStampColumns * kFrameStampRows;
  for (int first = 0; first < kBlocks; ++first) {
    QImage once = stamped;
    Flip(once, first);
    EXPECT_EQ(ReadFrameStamp(once, kSomeMoment), std::nullopt) << first;
    for (int second = first + 1; second < kBlocks; ++second) {
      QImage twice = once;
      Flip(twice, second);
      EXPECT_EQ(ReadFrameStamp(twice, kSomeMoment), std::nullopt) << first << ", " << second;
    }
  }
}

TEST(FrameStamp, PicturesWithoutAReadableStampAreRefused) {
  const QImage lane = LaneFrame();
  QImage shifted = lane;
  {
    const QImage stamp =
        Stamped(Filled({kFrameStampWidth, kFrameStampHeight}, Qt::gray), kSomeMoment);
    QPainter(&shifted).drawImage(kFrameStampBlock, 0, stamp);
  }
  QImage greyBlock = Stamped(lane, kSomeMoment);
  QPainter(&greyBlock)
      .fillRect(5 * kFrameStampBlock, 0, kFrameStampBlock, kFrameStampBlock, QColor(128, 128, 128));
  const QImage narrow = Stamped(Filled({kFrameStampWidth - 1, 720}, Qt::gray), kSomeMoment);
  const struct {
    const char* what;
    QImage image;
  } cases[] = {
      {"lane without stamp", lane},
      {"black", Filled({1280, 720}, Qt::black)},
      {"white", Filled({1280, 720}, Qt::white)},
      {"noise", Noise({1280, 720}, QImage::Format_RGB32)},
      {"stamp one block to the right", shifted},
      {"one block mid grey", greyBlock},
      {"narrower than the stamp", narrow},
      {"null", QImage()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadFrameStamp(c.image, kSomeMoment), std::nullopt) << c.what;
  }
}

}  // namespace
}  // namespace virtual_lane
