#include "JpegPicture.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// jpeglib.h first: its configuration decides which message codes jerror.h declares.
#include <jpeglib.h>

#include <jerror.h>

namespace {

// Format_RGB32 is 0xffRRGGBB in native order. The A variants guarantee the
// 0xff that the X variants leave undefined, at the same speed.
constexpr J_COLOR_SPACE kRgb32Layout =
    Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;

constexpr int kScanlineBatch = 16;

struct ErrorManager {
  jpeg_error_mgr library;
  std::jmp_buf escape;
  char message[JMSG_LENGTH_MAX];
};

// Everything a failed decode must still reach: it lives outside the frame
// that calls setjmp, so a longjmp back there leaves it intact.
struct Decoder {
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  QImage image;

  Decoder() = default;
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;
  ~Decoder() { jpeg_destroy_decompress(&info); }
};

[[noreturn]] void Escape(j_common_ptr info) {
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  info->err->format_message(info, errors->message);
  std::longjmp(errors->escape, 1);
}

// A picture whose data ran out or went corrupt would come out with made-up
// grey or smeared rows that look like a real capture; refuse it instead.
// Other warnings (unknown JFIF revision, bad ICC marker, ...) leave the
// pixels intact and are ignored.
bool LosesPictureData(int messageCode) {
  switch (messageCode) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
      return true;
    default:
      return false;
  }
}

void OnMessage(j_common_ptr info, int level) {
  if (level < 0 && LosesPictureData(info->err->msg_code)) Escape(info);
}

// Only the power-of-two scales: libjpeg has vector code for their inverse
// DCTs, and a 3/8 or 6/8 decode takes longer than the 4/8 or 8/8 one.
void ChooseScale(jpeg_decompress_struct& info, QSize target) {
  const auto width = static_cast<unsigned>(std::max(target.width(), 0));
  const auto height = static_cast<unsigned>(std::max(target.height(), 0));
  info.scale_denom = 8;
  for (info.scale_num = 1; info.scale_num < 8; info.scale_num *= 2) {
    jpeg_calc_output_dimensions(&info);
    if (info.output_width >= width && info.output_height >= height) return;
  }
}

// No automatic object with a destructor may live in this frame: a libjpeg
// error longjmps back to its setjmp.
bool Decode(Decoder& decoder, std::span<const std::uint8_t> jpeg, QSize target) {
  jpeg_decompress_struct& info = decoder.info;
  if (setjmp(decoder.errors.escape)) return false;
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&info, TRUE);
  if (info.image_width > kMaxPictureSide || info.image_height > kMaxPictureSide ||
      std::int64_t{info.image_width} * info.image_height > kMaxPicturePixels) {
    std::snprintf(decoder.errors.message, sizeof decoder.errors.message,
                  "Picture of %u x %u pixels is too large", info.image_width, info.image_height);
    return false;
  }

  info.out_color_space = kRgb32Layout;
  info.dct_method = JDCT_IFAST;
  info.do_fancy_upsampling = FALSE;
  ChooseScale(info, target);
  jpeg_start_decompress(&info);

  decoder.image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                         QImage::Format_RGB32);
  if (decoder.image.isNull()) {
    std::snprintf(decoder.errors.message, sizeof decoder.errors.message,
                  "Not enough memory for a picture of %u x %u pixels", info.output_width,
                  info.output_height);
    return false;
  }
  unsigned char* const pixels = decoder.image.bits();
  const auto stride = decoder.image.bytesPerLine();
  std::array<JSAMPROW, kScanlineBatch> rows;
  while (info.output_scanline < info.output_height) {
    const unsigned first = info.output_scanline;
    const unsigned count = std::min<unsigned>(kScanlineBatch, info.output_height - first);
    for (unsigned row = 0; row < count; ++row) rows[row] = pixels + (first + row) * stride;
    // Only a suspending data source returns no rows; rather an error than a hang.
    if (jpeg_read_scanlines(&info, rows.data(), count) == 0) {
      std::snprintf(decoder.errors.message, sizeof decoder.errors.message,
                    "Premature end of JPEG file");
      return false;
    }
  }
  // Whatever follows the last scanline cannot change the picture, so it is
  // not read: jpeg_finish_decompress would only look for the end marker.
  return true;
}

// Where a target pixel's centre falls between two neighbouring source pixels.
struct Tap {
  int first;
  int second;
  std::uint8_t weight;  // of `second`, in 256ths
};

std::vector<Tap> Taps(int sourceLength, int targetLength) {
  std::vector<Tap> taps(static_cast<std::size_t>(targetLength));
  const std::int64_t step = (std::int64_t{sourceLength} << 16) / targetLength;
  const std::int64_t last = std::int64_t{sourceLength - 1} << 16;
  for (int i = 0; i < targetLength; ++i) {
    const std::int64_t centre = std::clamp<std::int64_t>(step * i + step / 2 - (1 << 15), 0, last);
    const int first = static_cast<int>(centre >> 16);
    taps[static_cast<std::size_t>(i)] = {first, std::min(first + 1, sourceLength - 1),
                                         static_cast<std::uint8_t>(centre >> 8)};
  }
  return taps;
}

// out = a + (b - a) * weight / 256, byte by byte. At most 255 * 256 per
// byte, so 16-bit lanes suffice; blocks copied through locals cannot alias,
// which lets the compiler vectorise them at -O2.
void BlendBytes(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* weightOfB,
                std::uint8_t* out, std::size_t count) {
  const auto blend = [](std::uint8_t x, std::uint8_t y, std::uint8_t weight) {
    const auto keep = static_cast<std::uint16_t>(256 - weight);
    return static_cast<std::uint8_t>(static_cast<std::uint16_t>(x * keep + y * weight) >> 8);
  };
  constexpr std::size_t kBlock = 16;
  std::size_t i = 0;
  for (; i + kBlock <= count; i += kBlock) {
    std::uint8_t x[kBlock];
    std::uint8_t y[kBlock];
    std::uint8_t weight[kBlock];
    std::uint8_t mixed[kBlock];
    std::memcpy(x, a + i, kBlock);
    std::memcpy(y, b + i, kBlock);
    std::memcpy(weight, weightOfB + i, kBlock);
    for (std::size_t k = 0; k < kBlock; ++k) mixed[k] = blend(x[k], y[k], weight[k]);
    std::memcpy(out + i, mixed, kBlock);
  }
  for (; i < count; ++i) out[i] = blend(a[i], b[i], weightOfB[i]);
}

// Each target row blends its two source rows, then each target pixel blends
// its two neighbours in that row; both passes are plain byte blends.
QImage StretchBilinear(const QImage& source, QSize target) {
  QImage result(target, QImage::Format_RGB32);
  if (result.isNull()) return result;
  const std::vector<Tap> columns = Taps(source.width(), target.width());
  const std::vector<Tap> rows = Taps(source.height(), target.height());
  const auto sourceBytes = static_cast<std::size_t>(source.width()) * 4;
  const auto targetBytes = static_cast<std::size_t>(target.width()) * 4;

  std::vector<std::uint8_t> columnWeights(targetBytes);
  for (std::size_t x = 0; x < columns.size(); ++x) {
    std::memset(&columnWeights[x * 4], static_cast<int>(columns[x].weight), 4);
  }
  std::vector<std::uint8_t> rowWeights(sourceBytes);
  std::vector<std::uint32_t> blendedRow(static_cast<std::size_t>(source.width()));
  std::vector<std::uint32_t> left(columns.size());
  std::vector<std::uint32_t> right(columns.size());

  for (int y = 0; y < target.height(); ++y) {
    const Tap& row = rows[static_cast<std::size_t>(y)];
    std::memset(rowWeights.data(), static_cast<int>(row.weight), sourceBytes);
    BlendBytes(source.constScanLine(row.first), source.constScanLine(row.second), rowWeights.data(),
               reinterpret_cast<std::uint8_t*>(blendedRow.data()), sourceBytes);
    for (std::size_t x = 0; x < columns.size(); ++x) {
      left[x] = blendedRow[static_cast<std::size_t>(columns[x].first)];
      right[x] = blendedRow[static_cast<std::size_t>(columns[x].second)];
    }
    BlendBytes(reinterpret_cast<const std::uint8_t*>(left.data()),
               reinterpret_cast<const std::uint8_t*>(right.data()), columnWeights.data(),
               result.scanLine(y), targetBytes);
  }
  return result;
}

}  // namespace

QImage DecodeJpegCovering(std::span<const std::uint8_t> jpeg, QSize target) {
  Decoder decoder;
  decoder.info.err = jpeg_std_error(&decoder.errors.library);
  decoder.errors.library.error_exit = Escape;
  decoder.errors.library.emit_message = OnMessage;
  if (!Decode(decoder, jpeg, target)) throw PictureError(decoder.errors.message);
  return std::move(decoder.image);
}

QImage StretchPicture(const QImage& picture, QSize target) {
  if (target.isEmpty() || picture.isNull()) return {};
  if (picture.size() == target) return picture;
  // Bilinear sampling skips source pixels once it shrinks by more than half;
  // Qt's area-averaging scale keeps them, at several times the cost.
  if (target.width() * 2 < picture.width() || target.height() * 2 < picture.height()) {
    return picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return StretchBilinear(picture.convertToFormat(QImage::Format_RGB32), target);
}

QImage DecodeJpegStretched(std::span<const std::uint8_t> jpeg, QSize target) {
  return StretchPicture(DecodeJpegCovering(jpeg, target), target);
}

QByteArray ReadPictureFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    throw PictureError("cannot open file " + path.toStdString() + ": " +
                       file.errorString().toStdString());
  }
  return file.readAll();
}
