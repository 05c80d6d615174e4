#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "JpegFastDecode.h"
#include "JpegPicture.h"
#include "VirtualLane.h"

namespace {

// A photograph-like picture: gradients, sensor noise and sharp edges in every
// colour, so that most blocks carry high frequencies in all three components.
QImage NoisyPicture(QSize size, quint32 seed) {
  QImage image(size, QImage::Format_RGB32);
  QRandomGenerator random(seed);
  for (int y = 0; y < size.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < size.width(); ++x) {
      const double wave = std::sin(x * 0.011) * std::cos(y * 0.017) * 70;
      const int noise = static_cast<int>(random.bounded(40)) - 20;
      line[x] = qRgb(std::clamp(static_cast<int>(120 + wave + noise), 0, 255),
                     std::clamp(static_cast<int>(110 - wave / 2 + noise + x % 7), 0, 255),
                     std::clamp(static_cast<int>(100 + wave / 3 - noise), 0, 255));
    }
  }
  QPainter painter(&image);
  for (int i = 0; i < 300; ++i) {
    painter.setPen(QPen(QColor::fromRgb(random.generate()), 1 + random.bounded(4)));
    painter.drawLine(random.bounded(size.width()), random.bounded(size.height()),
                     random.bounded(size.width()), random.bounded(size.height()));
  }
  return image;
}

const QImage& Noisy1080p() {
  static const QImage picture = NoisyPicture({1920, 1080}, 7);
  return picture;
}

QByteArray SaveWithQt(const QImage& image, int quality) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, "JPEG", quality));
  return bytes;
}

struct Encoding {
  int lumaAcross = 2;
  int lumaDown = 2;
  bool grey = false;
  unsigned restartInterval = 0;  // MCUs
  bool progressive = false;
  bool arithmetic = false;
};

QByteArray EncodeWithLibjpeg(const QImage& image, Encoding encoding) {
  const QImage pixels =
      image.convertToFormat(encoding.grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(pixels.width());
  info.image_height = static_cast<JDIMENSION>(pixels.height());
  info.input_components = encoding.grey ? 1 : 3;
  info.in_color_space = encoding.grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 85, TRUE);
  if (encoding.progressive) jpeg_simple_progression(&info);
  info.arith_code = encoding.arithmetic ? TRUE : FALSE;
  info.comp_info[0].h_samp_factor = encoding.grey ? 1 : encoding.lumaAcross;
  info.comp_info[0].v_samp_factor = encoding.grey ? 1 : encoding.lumaDown;
  info.restart_interval = encoding.restartInterval;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels.constScanLine(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  QByteArray bytes(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
  std::free(buffer);
  return bytes;
}

QByteArray LaneScene() {
  camera::VirtualLaneWorld world(camera::LaneTimings{.carPeriodMs = 0});
  const std::vector<std::uint8_t> scene =
      world.LaneAt(QStringLiteral("127.0.0.1"))->Recognise()->sceneJpeg;
  return QByteArray(reinterpret_cast<const char*>(scene.data()),
                    static_cast<qsizetype>(scene.size()));
}

// Headers read and the output scaled to 1/4 without fancy upsampling, as the
// console asks libjpeg for it. Only for well-formed pictures: libjpeg's
// default error handler ends the program.
class QuarterScaleHeader {
 public:
  explicit QuarterScaleHeader(const QByteArray& jpeg) : jpeg_(jpeg) {
    info_.err = jpeg_std_error(&errors_);
    jpeg_create_decompress(&info_);
    jpeg_mem_src(&info_, reinterpret_cast<const unsigned char*>(jpeg_.constData()),
                 static_cast<unsigned long>(jpeg_.size()));
    jpeg_read_header(&info_, TRUE);
    info_.scale_num = 2;
    info_.scale_denom = 8;
    info_.do_fancy_upsampling = FALSE;
    info_.dct_method = JDCT_IFAST;
    info_.out_color_space = JCS_EXT_BGRA;
    jpeg_calc_output_dimensions(&info_);
  }
  QuarterScaleHeader(const QuarterScaleHeader&) = delete;
  QuarterScaleHeader& operator=(const QuarterScaleHeader&) = delete;
  ~QuarterScaleHeader() { jpeg_destroy_decompress(&info_); }

  jpeg_decompress_struct& info() { return info_; }

 private:
  QByteArray jpeg_;
  jpeg_decompress_struct info_{};
  jpeg_error_mgr errors_{};
};

QImage LibjpegQuarterScale(const QByteArray& jpeg) {
  QuarterScaleHeader header(jpeg);
  jpeg_decompress_struct& info = header.info();
  jpeg_start_decompress(&info);
  QImage image(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
               QImage::Format_RGB32);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_abort_decompress(&info);
  return image;
}

jpegfast::FastDecode FastQuarterScale(const QByteArray& jpeg, jpegfast::SplitPlan plan = {}) {
  QuarterScaleHeader header(jpeg);
  return jpegfast::DecodeQuarterScale(header.info(), plan);
}

struct Difference {
  double meanPerChannel = 0;
  int largest = 0;
};

Difference Compare(const QImage& a, const QImage& b) {
  double total = 0;
  int largest = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y);
      const QRgb q = b.pixel(x, y);
      for (const int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
        total += std::abs(d);
        largest = std::max(largest, std::abs(d));
      }
    }
  }
  return {total / (3.0 * a.width() * a.height()), largest};
}

struct PictureCase {
  const char* name;
  std::function<QByteArray()> jpeg;
};

class AgainstLibjpeg : public ::testing::TestWithParam<PictureCase> {};

// Both decoders average the same inverse DCT over the same cells and convert
// colour with the same fixed-point factors; only the inverse DCT's rounding
// differs (libjpeg rounds twice, in integers). A level off by one in Y, Cb and
// Cr moves blue by up to 1 + 1.772: measured, a largest difference of 3 and a
// mean below 0.03 on every picture here.
constexpr double kMeanBound = 0.1;
constexpr int kLargestBound = 4;

TEST_P(AgainstLibjpeg, MatchesLibjpegsOwnQuarterScaleDecode) {
  const QByteArray jpeg = GetParam().jpeg();

  const QImage expected = LibjpegQuarterScale(jpeg);
  const QImage fast = FastQuarterScale(jpeg).picture;

  ASSERT_FALSE(fast.isNull());
  ASSERT_EQ(fast.size(), expected.size());
  const Difference difference = Compare(fast, expected);
  EXPECT_LT(difference.meanPerChannel, kMeanBound);
  EXPECT_LE(difference.largest, kLargestBound);
  EXPECT_EQ(qAlpha(fast.pixel(fast.width() - 1, fast.height() - 1)), 255);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, AgainstLibjpeg,
    ::testing::Values(
        PictureCase{"LaneScene", LaneScene},
        PictureCase{"QtQuality50", [] { return SaveWithQt(Noisy1080p(), 50); }},
        PictureCase{"QtQuality75", [] { return SaveWithQt(Noisy1080p(), 75); }},
        PictureCase{"QtQuality95", [] { return SaveWithQt(Noisy1080p(), 95); }},
        PictureCase{
            "Sampling444",
            [] { return EncodeWithLibjpeg(Noisy1080p(), {.lumaAcross = 1, .lumaDown = 1}); }},
        PictureCase{
            "Sampling422",
            [] { return EncodeWithLibjpeg(Noisy1080p(), {.lumaAcross = 2, .lumaDown = 1}); }},
        PictureCase{
            "Sampling440",
            [] { return EncodeWithLibjpeg(Noisy1080p(), {.lumaAcross = 1, .lumaDown = 2}); }},
        PictureCase{"Sampling420", [] { return EncodeWithLibjpeg(Noisy1080p(), {}); }},
        PictureCase{"Greyscale", [] { return EncodeWithLibjpeg(Noisy1080p(), {.grey = true}); }},
        PictureCase{"RestartMarkers",
                    [] { return EncodeWithLibjpeg(Noisy1080p(), {.restartInterval = 7}); }},
        PictureCase{"OddSize420",
                    [] {
                      return EncodeWithLibjpeg(NoisyPicture({1917, 1079}, 3), {});
                    }},
        PictureCase{"OddSize422",
                    [] {
                      return EncodeWithLibjpeg(NoisyPicture({1917, 1079}, 3),
                                               {.lumaAcross = 2, .lumaDown = 1});
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

class SpeculativeSplit : public ::testing::TestWithParam<PictureCase> {};

// Wherever the second half starts, once the first half meets it the rest
// comes from the second half with its DC predictors shifted: the picture must
// be the single-threaded one, bit for bit.
TEST_P(SpeculativeSplit, GivesTheSingleThreadedPictureWhereverItStarts) {
  const QByteArray jpeg = GetParam().jpeg();
  const jpegfast::FastDecode single =
      FastQuarterScale(jpeg, {.mode = jpegfast::SplitPlan::Mode::SingleThread});
  ASSERT_FALSE(single.picture.isNull());
  ASSERT_EQ(single.mcusFromSecondHalf, 0u);

  const auto bytes = static_cast<std::size_t>(jpeg.size());
  int met = 0;
  int tried = 0;
  for (std::size_t start = 1; start < bytes; start += bytes / 23 + 13, ++tried) {
    const jpegfast::FastDecode split =
        FastQuarterScale(jpeg, {.mode = jpegfast::SplitPlan::Mode::SecondHalfFirst, .byte = start});
    ASSERT_EQ(split.picture, single.picture) << "second half from byte " << start;
    if (split.mcusFromSecondHalf > 0) ++met;
  }
  // A start in the last few bytes leaves the second half too little to meet.
  EXPECT_GE(met, tried - 2);

  for (int run = 0; run < 4; ++run) {
    const jpegfast::FastDecode concurrent = FastQuarterScale(
        jpeg, {.mode = jpegfast::SplitPlan::Mode::Concurrent, .byte = bytes / 3 + 101 * run});
    EXPECT_EQ(concurrent.picture, single.picture) << "run " << run;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, SpeculativeSplit,
    ::testing::Values(PictureCase{"Sampling420", [] { return SaveWithQt(Noisy1080p(), 80); }},
                      PictureCase{"Sampling444",
                                  [] {
                                    return EncodeWithLibjpeg(NoisyPicture({640, 480}, 5),
                                                             {.lumaAcross = 1, .lumaDown = 1});
                                  }},
                      PictureCase{
                          "Greyscale",
                          [] {
                            return EncodeWithLibjpeg(NoisyPicture({640, 480}, 5), {.grey = true});
                          }},
                      PictureCase{"RestartMarkers",
                                  [] {
                                    return EncodeWithLibjpeg(
                                        NoisyPicture({1917, 1079}, 5),
                                        {.lumaAcross = 2, .lumaDown = 1, .restartInterval = 50});
                                  }}),
    [](const auto& info) { return std::string(info.param.name); });

// The two decoders round differently in places, so equality shows which one ran.
TEST(DecodeJpegCovering, TakesTheFastDecodeForABigPicture) {
  const QByteArray jpeg = SaveWithQt(Noisy1080p(), 80);

  const QImage shown = DecodeJpegCovering(PictureBytes(jpeg), {313, 209});

  EXPECT_EQ(shown,
            FastQuarterScale(jpeg, {.mode = jpegfast::SplitPlan::Mode::SingleThread}).picture);
  EXPECT_NE(shown, LibjpegQuarterScale(jpeg));
}

TEST(DecodeJpegCovering, LeavesASmallPictureToLibjpeg) {
  const QByteArray jpeg = SaveWithQt(NoisyPicture({320, 240}, 9), 50);
  ASSERT_LT(jpeg.size(), 64 * 1024);

  EXPECT_EQ(DecodeJpegCovering(PictureBytes(jpeg), {80, 60}), LibjpegQuarterScale(jpeg));
}

class LeftToLibjpeg : public ::testing::TestWithParam<PictureCase> {};

TEST_P(LeftToLibjpeg, GetsNoFastPicture) {
  EXPECT_TRUE(FastQuarterScale(GetParam().jpeg()).picture.isNull());
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, LeftToLibjpeg,
    ::testing::Values(
        PictureCase{"Progressive",
                    [] { return EncodeWithLibjpeg(Noisy1080p(), {.progressive = true}); }},
        PictureCase{"Arithmetic",
                    [] { return EncodeWithLibjpeg(Noisy1080p(), {.arithmetic = true}); }},
        PictureCase{
            "LumaSampledFourAcross",
            [] { return EncodeWithLibjpeg(Noisy1080p(), {.lumaAcross = 4, .lumaDown = 1}); }},
        PictureCase{"NoEndMarker",
                    [] {
                      const QByteArray jpeg = SaveWithQt(Noisy1080p(), 80);
                      return jpeg.left(jpeg.size() - 2);
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FastDecode, TakesOnlyTheQuarterScale) {
  QuarterScaleHeader header(SaveWithQt(Noisy1080p(), 80));
  header.info().scale_num = 4;
  jpeg_calc_output_dimensions(&header.info());

  EXPECT_TRUE(jpegfast::DecodeQuarterScale(header.info()).picture.isNull());
}

// What the console makes of a picture: the picture or the refusal's message.
std::string Outcome(const QByteArray& jpeg, QSize view) {
  try {
    const QImage picture = DecodeJpegCovering(PictureBytes(jpeg), view);
    return "accepted " + std::to_string(picture.width()) + "x" + std::to_string(picture.height());
  } catch (const PictureError& error) {
    return error.what();
  }
}

// A 313 x 209 view takes a 1920 x 1080 picture at 1/4, where the fast decode
// runs; a 600 x 400 view takes it at 1/2, where libjpeg alone decodes. Both
// read every coefficient of the scan the same way, so they accept and refuse
// the same data.
const QSize kQuarterView(313, 209);
const QSize kHalfView(600, 400);

std::string LibjpegVerdict(const QByteArray& jpeg) {
  const std::string outcome = Outcome(jpeg, kHalfView);
  return outcome == "accepted 960x540" ? "accepted 480x270" : outcome;
}

qsizetype EntropyStart(const QByteArray& jpeg) {
  const qsizetype scanHeader = jpeg.indexOf(QByteArray("\xFF\xDA", 2));
  return scanHeader + 2 +
         ((static_cast<unsigned char>(jpeg[scanHeader + 2]) << 8) |
          static_cast<unsigned char>(jpeg[scanHeader + 3]));
}

struct Damage {
  std::string name;
  QByteArray jpeg;
};

std::vector<Damage> DamagedPictures() {
  const QByteArray intact = SaveWithQt(Noisy1080p(), 80);
  const qsizetype start = EntropyStart(intact);
  std::vector<Damage> damaged;
  for (const qsizetype end : {start + 70000, intact.size() / 2, intact.size() - 900,
                              intact.size() - 40, intact.size() - 3, intact.size() - 2}) {
    damaged.push_back({"cut at " + std::to_string(end), intact.left(end)});
  }
  QRandomGenerator random(11);
  for (int i = 0; i < 40; ++i) {
    QByteArray flipped = intact;
    const qsizetype at = random.bounded(qint64{start}, qint64{intact.size() - 2});
    flipped[at] = static_cast<char>(flipped[at] ^ (1 << random.bounded(8)));
    damaged.push_back({"bit flipped at " + std::to_string(at), flipped});
  }
  QByteArray garbage = intact;
  for (qsizetype i = start; i < start + 300; ++i) garbage[i] = static_cast<char>(random.generate());
  damaged.push_back({"garbage after the scan header", garbage});
  QByteArray endMarker = intact;
  endMarker.insert(intact.size() / 2, QByteArray("\xFF\xD9", 2));
  damaged.push_back({"end marker mid-scan", endMarker});

  QByteArray restarts = EncodeWithLibjpeg(Noisy1080p(), {.restartInterval = 40});
  const qsizetype restart = restarts.indexOf(QByteArray("\xFF\xD3", 2), EntropyStart(restarts));
  restarts[restart + 1] = '\xD5';
  damaged.push_back({"restart marker out of order", restarts});
  return damaged;
}

TEST(FastDecodeOnDamagedData, AcceptsAndRefusesExactlyWhatLibjpegDoes) {
  int acceptedByFastDecode = 0;
  for (const Damage& damage : DamagedPictures()) {
    SCOPED_TRACE(damage.name);
    const std::string verdict = LibjpegVerdict(damage.jpeg);

    EXPECT_EQ(Outcome(damage.jpeg, kQuarterView), verdict);

    if (verdict.rfind("accepted", 0) != 0) continue;
    const jpegfast::FastDecode fast = FastQuarterScale(damage.jpeg);
    if (fast.picture.isNull()) continue;
    ++acceptedByFastDecode;
    const Difference difference = Compare(fast.picture, LibjpegQuarterScale(damage.jpeg));
    EXPECT_LT(difference.meanPerChannel, kMeanBound);
    EXPECT_LE(difference.largest, kLargestBound);
  }
  // Most flipped bits land in a coefficient's value, which stays decodable.
  EXPECT_GT(acceptedByFastDecode, 0);
}

TEST(FastDecodeOnDamagedData, BogusHuffmanTableIsLibjpegsToRefuse) {
  QByteArray jpeg = SaveWithQt(Noisy1080p(), 80);
  // Marker, length, class and id, then the counts of codes of 1..16 bits: all
  // codes at 1 bit keeps the segment's length but cannot be a prefix code.
  const qsizetype counts = jpeg.indexOf(QByteArray("\xFF\xC4", 2)) + 5;
  int codes = 0;
  for (qsizetype i = counts; i < counts + 16; ++i) {
    codes += static_cast<unsigned char>(jpeg[i]);
    jpeg[i] = 0;
  }
  ASSERT_GT(codes, 2);
  jpeg[counts] = static_cast<char>(codes);

  EXPECT_EQ(Outcome(jpeg, kQuarterView), "Bogus Huffman table definition");
}

}  // namespace
