#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "JpegPicture.h"
#include "PictureView.h"

namespace {

QByteArray EncodeJpeg(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, "JPEG", 90));
  return bytes;
}

QImage SolidPicture(QSize size, QColor colour) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// Red on the left, blue on the right: catches swapped channels and mirroring.
QImage SplitPicture(QSize size) {
  QImage image = SolidPicture(size, Qt::red);
  QPainter(&image).fillRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height(),
                            Qt::blue);
  return image;
}

bool IsRed(QRgb pixel) {
  return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}
bool IsBlue(QRgb pixel) {
  return qBlue(pixel) > 200 && qRed(pixel) < 60 && qGreen(pixel) < 60;
}

std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const PictureError& error) {
    return error.what();
  }
  return "no PictureError";
}

class PictureFiles : public ::testing::Test {
 protected:
  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = folder_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }

  QTemporaryDir folder_;
};

struct ScaleCase {
  QSize source;
  QSize target;
  QSize decoded;
};

class DctScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(DctScale, DecodesTheSmallestPowerOfTwoScaleThatCoversTheTarget) {
  const QByteArray jpeg = EncodeJpeg(SolidPicture(GetParam().source, Qt::darkGreen));

  EXPECT_EQ(DecodeJpegCovering(PictureBytes(jpeg), GetParam().target).size(), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(Scenes, DctScale,
                         ::testing::Values(ScaleCase{{1920, 1080}, {313, 209}, {480, 270}},
                                           ScaleCase{{1920, 1080}, {240, 135}, {240, 135}},
                                           ScaleCase{{1920, 1080}, {241, 100}, {480, 270}},
                                           ScaleCase{{1920, 1080}, {100, 136}, {480, 270}},
                                           ScaleCase{{1920, 1080}, {481, 270}, {960, 540}},
                                           ScaleCase{{1920, 1080}, {1920, 1080}, {1920, 1080}},
                                           ScaleCase{{1920, 1080}, {2000, 2000}, {1920, 1080}},
                                           ScaleCase{{440, 140}, {313, 73}, {440, 140}},
                                           ScaleCase{{441, 141}, {0, 0}, {56, 18}}));

TEST(DecodeJpegStretched, FillsExactlyTheTargetWithTheRightColours) {
  const QByteArray jpeg = EncodeJpeg(SplitPicture({1920, 1080}));

  const QImage shown = DecodeJpegStretched(PictureBytes(jpeg), {313, 209});

  ASSERT_EQ(shown.size(), QSize(313, 209));
  EXPECT_TRUE(IsRed(shown.pixel(10, 10)));
  EXPECT_TRUE(IsRed(shown.pixel(140, 200)));
  EXPECT_TRUE(IsBlue(shown.pixel(170, 10)));
  EXPECT_TRUE(IsBlue(shown.pixel(302, 200)));
  EXPECT_EQ(qAlpha(shown.pixel(0, 0)), 255);
}

TEST(DecodeJpegStretched, GreyscalePictureComesOutGrey) {
  QImage grey(320, 240, QImage::Format_Grayscale8);
  grey.fill(QColor(128, 128, 128));
  const QByteArray jpeg = EncodeJpeg(grey);

  const QRgb pixel = DecodeJpegStretched(PictureBytes(jpeg), {100, 80}).pixel(50, 40);

  EXPECT_NEAR(qRed(pixel), 128, 3);
  EXPECT_NEAR(qGreen(pixel), 128, 3);
  EXPECT_NEAR(qBlue(pixel), 128, 3);
}

struct StretchCase {
  const char* name;
  QSize source;
  QSize target;
  std::vector<int> expectedGreys;  // along the stretched axis
};

class Stretch : public ::testing::TestWithParam<StretchCase> {};

// Black then white; each target pixel samples at its centre, so the ramp is
// 0, 0.25, 0.75, 1 of white (rounded down).
TEST_P(Stretch, InterpolatesBetweenPixelCentres) {
  QImage source(GetParam().source, QImage::Format_RGB32);
  source.fill(Qt::white);
  source.setPixel(0, 0, qRgb(0, 0, 0));

  const QImage stretched = StretchPicture(source, GetParam().target);

  ASSERT_EQ(stretched.size(), GetParam().target);
  std::vector<int> greys;
  for (int i = 0; i < 4; ++i) {
    greys.push_back(
        qGreen(GetParam().target.width() == 4 ? stretched.pixel(i, 0) : stretched.pixel(0, i)));
  }
  EXPECT_EQ(greys, GetParam().expectedGreys);
}

INSTANTIATE_TEST_SUITE_P(Axes, Stretch,
                         ::testing::Values(StretchCase{"Across", {2, 1}, {4, 1}, {0, 63, 191, 255}},
                                           StretchCase{"Down", {1, 2}, {1, 4}, {0, 63, 191, 255}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StretchPicture, ShrinkingByMoreThanHalfAveragesEveryPixel) {
  QImage stripes(64, 4, QImage::Format_RGB32);
  for (int x = 0; x < 64; ++x) {
    for (int y = 0; y < 4; ++y) stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
  }

  const QImage shrunk = StretchPicture(stripes, {8, 1});

  ASSERT_EQ(shrunk.size(), QSize(8, 1));
  for (int x = 0; x < 8; ++x) EXPECT_NEAR(qGreen(shrunk.pixel(x, 0)), 128, 10) << "pixel " << x;
}

TEST(DecodeJpegCovering, TruncatedPictureFailsInsteadOfShowingMadeUpRows) {
  const QByteArray jpeg = EncodeJpeg(SplitPicture({640, 480}));
  // The rest of the buffer stays valid: reading past the span would succeed.
  const auto truncated = PictureBytes(jpeg).first(static_cast<std::size_t>(jpeg.size()) / 2);

  EXPECT_EQ(ErrorOf([&] {
              DecodeJpegCovering(truncated, {640, 480});
            }),
            "Premature end of JPEG file");
}

TEST(DecodeJpegCovering, RefusesWhatIsNotAJpeg) {
  const QByteArray png = [] {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    SolidPicture({8, 8}, Qt::red).save(&buffer, "PNG");
    return bytes;
  }();

  EXPECT_EQ(ErrorOf([&] {
              DecodeJpegCovering(PictureBytes(png), {8, 8});
            }),
            "Not a JPEG file: starts with 0x89 0x50");
  EXPECT_EQ(ErrorOf([&] { DecodeJpegCovering({}, {8, 8}); }), "Empty input file");
}

struct ClaimedSize {
  const char* name;
  std::uint16_t width;
  std::uint16_t height;
  bool refused;
};

class ClaimedDimensions : public testing::TestWithParam<ClaimedSize> {};

// A header may claim any size; the bytes behind it are a 16 x 16 picture.
TEST_P(ClaimedDimensions, AbsurdSizesAreRefusedBeforeDecoding) {
  const ClaimedSize& claim = GetParam();
  QByteArray jpeg = EncodeJpeg(SolidPicture({16, 16}, Qt::red));
  const auto frameHeader = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
  ASSERT_GT(frameHeader, 0);
  // Height and width follow the marker, length and precision, high byte first.
  const char size[] = {static_cast<char>(claim.height >> 8), static_cast<char>(claim.height),
                       static_cast<char>(claim.width >> 8), static_cast<char>(claim.width)};
  jpeg.replace(frameHeader + 5, 4, size, 4);

  const std::string error = ErrorOf([&] { DecodeJpegCovering(PictureBytes(jpeg), {313, 209}); });

  const std::string tooLarge = "Picture of " + std::to_string(claim.width) + " x " +
                               std::to_string(claim.height) + " pixels is too large";
  if (claim.refused) {
    EXPECT_EQ(error, tooLarge);
  } else {
    EXPECT_NE(error, tooLarge);
  }
}

INSTANTIATE_TEST_SUITE_P(Limits, ClaimedDimensions,
                         testing::Values(ClaimedSize{"BothSidesHuge", 65000, 65000, true},
                                         ClaimedSize{"WidthOnePastTheSide", 16385, 16, true},
                                         ClaimedSize{"HeightOnePastTheSide", 16, 16385, true},
                                         ClaimedSize{"WidthAtTheSide", 16384, 16, false},
                                         ClaimedSize{"AreaOnePastTheLimit", 8192, 8193, true},
                                         ClaimedSize{"AreaAtTheLimit", 8192, 8192, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PictureFiles, MissingFileNamesTheFile) {
  const QString path = folder_.filePath("ParkAll.JPG");

  EXPECT_EQ(
      ErrorOf([&] { ReadPictureFile(path); }).rfind("cannot open file " + path.toStdString(), 0),
      0u);
}

TEST_F(PictureFiles, ViewIsTransparentUntilAPictureIsLoaded) {
  QWidget panel;
  panel.resize(313, 209);
  QPalette green;
  green.setColor(QPalette::Window, Qt::green);
  panel.setPalette(green);
  panel.setAutoFillBackground(true);
  PictureView view(&panel);
  view.resize(313, 209);

  EXPECT_FALSE(view.HasPicture());
  EXPECT_EQ(panel.grab().toImage().pixel(150, 100), QColor(Qt::green).rgb());

  view.LoadFromFile(Write("ParkAll.JPG", EncodeJpeg(SplitPicture({1920, 1080}))));

  EXPECT_TRUE(view.HasPicture());
  EXPECT_EQ(view.Picture().size(), QSize(313, 209));
  const QImage shown = panel.grab().toImage();
  EXPECT_TRUE(IsRed(shown.pixel(20, 100)));
  EXPECT_TRUE(IsBlue(shown.pixel(290, 100)));
}

TEST_F(PictureFiles, FailedLoadKeepsThePreviousPicture) {
  PictureView view;
  view.resize(313, 209);
  view.LoadFromFile(Write("ParkAll.JPG", EncodeJpeg(SolidPicture({640, 480}, Qt::red))));
  const QImage before = view.Picture();
  const QByteArray blue = EncodeJpeg(SolidPicture({640, 480}, Qt::blue));

  EXPECT_THROW(view.LoadFromFile(Write("cut.JPG", blue.left(blue.size() / 2))), PictureError);
  EXPECT_THROW(view.LoadFromFile(Write("text.JPG", "not a picture")), PictureError);
  EXPECT_THROW(view.LoadFromFile(folder_.filePath("missing.JPG")), PictureError);

  EXPECT_TRUE(view.HasPicture());
  EXPECT_EQ(view.Picture(), before);
}

TEST_F(PictureFiles, ResizedViewStretchesThePictureAgain) {
  PictureView view;
  view.resize(313, 209);
  view.show();
  view.LoadFromFile(Write("XJ.jpg", EncodeJpeg(SplitPicture({1920, 1080}))));

  view.resize(200, 300);

  ASSERT_EQ(view.Picture().size(), QSize(200, 300));
  EXPECT_TRUE(IsRed(view.Picture().pixel(5, 295)));
  EXPECT_TRUE(IsBlue(view.Picture().pixel(195, 5)));
}

}  // namespace
