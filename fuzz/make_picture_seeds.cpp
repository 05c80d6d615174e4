// Writes the picture fuzzer's seeds: the virtual lane's own plate pictures and
// snapshot, re-encodings of the close-up in the other forms a camera may send
// (progressive, grayscale, CMYK, restart markers, arithmetic coding), and cut
// and bit-flipped variants. Each seed is two bytes of view size, then a file.
//   make_picture_seeds CORPUS_DIRECTORY/picture
#include <QApplication>
#include <QImage>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "VirtualLane.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kLargestSeed = 120 * 1024;

struct EncodeForm {
  bool progressive = false;
  bool grayscale = false;
  bool cmyk = false;
  bool arithmetic = false;
  int restartRows = 0;
};

struct Escape {
  jpeg_error_mgr library;
  std::jmp_buf to;
};

[[noreturn]] void Fail(j_common_ptr info) {
  std::longjmp(reinterpret_cast<Escape*>(info->err)->to, 1);
}

Bytes Encode(const QImage& source, const EncodeForm& form) {
  const QImage image = source.convertToFormat(QImage::Format_RGB888);
  const int components = form.grayscale ? 1 : form.cmyk ? 4 : 3;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width() * components));

  jpeg_compress_struct info{};
  Escape escape{};
  info.err = jpeg_std_error(&escape.library);
  escape.library.error_exit = Fail;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(escape.to)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    throw std::runtime_error("libjpeg refused a seed encoding");
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(image.width());
  info.image_height = static_cast<JDIMENSION>(image.height());
  info.input_components = components;
  info.in_color_space = form.grayscale ? JCS_GRAYSCALE : form.cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 75, TRUE);
  if (form.progressive) jpeg_simple_progression(&info);
  info.arith_code = form.arithmetic ? TRUE : FALSE;
  info.restart_in_rows = form.restartRows;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    const std::uint8_t* rgb = image.constScanLine(static_cast<int>(info.next_scanline));
    for (int x = 0; x < image.width(); ++x) {
      const std::uint8_t* p = rgb + 3 * x;
      std::uint8_t* out = row.data() + static_cast<std::size_t>(x * components);
      if (form.grayscale) {
        out[0] = static_cast<std::uint8_t>((p[0] * 77 + p[1] * 150 + p[2] * 29) >> 8);
      } else if (form.cmyk) {
        out[0] = 255 - p[0], out[1] = 255 - p[1], out[2] = 255 - p[2], out[3] = 255;
      } else {
        out[0] = p[0], out[1] = p[1], out[2] = p[2];
      }
    }
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes jpeg(buffer, buffer + size);
  std::free(buffer);
  return jpeg;
}

Bytes Prefix(const Bytes& bytes, std::size_t count) {
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

Bytes BitFlipped(Bytes bytes, std::size_t offset, int bit) {
  bytes.at(offset) ^= static_cast<std::uint8_t>(1u << bit);
  return bytes;
}

// Offset of the first byte after the marker 0xFF `code`, or 0.
std::size_t AfterMarker(const Bytes& jpeg, std::uint8_t code) {
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == code) return i + 2;
  }
  return 0;
}

class SeedWriter {
 public:
  explicit SeedWriter(fs::path directory) : directory_(std::move(directory)) {
    fs::create_directories(directory_);
  }

  void Write(const std::string& name, int viewWidth, int viewHeight, const Bytes& jpeg) {
    if (jpeg.size() + 2 > kLargestSeed) {
      std::fprintf(stderr, "make_picture_seeds: %s skipped, %zu bytes\n", name.c_str(),
                   jpeg.size());
      return;
    }
    std::ofstream file(directory_ / name, std::ios::binary | std::ios::trunc);
    const char view[] = {static_cast<char>(viewWidth), static_cast<char>(viewHeight)};
    file.write(view, 2);
    file.write(reinterpret_cast<const char*>(jpeg.data()),
               static_cast<std::streamsize>(jpeg.size()));
    if (!file) throw std::runtime_error("cannot write " + (directory_ / name).string());
  }

 private:
  fs::path directory_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_picture_seeds PICTURE_CORPUS_DIRECTORY\n");
    return 2;
  }
  SeedWriter seeds(argv[1]);

  virtual_lane::LaneTimings timings;
  timings.carPeriodMs = 0;
  virtual_lane::VirtualLaneWorld world(timings);
  virtual_lane::Lane* lane = world.LaneAt(QStringLiteral("192.168.1.100"));
  const auto event = lane->Recognise();
  const Bytes& closeUp = event->closeUpJpeg;

  seeds.Write("lane-scene", 240, 135, event->sceneJpeg);
  seeds.Write("lane-snapshot", 160, 90, lane->CaptureJpeg());
  seeds.Write("lane-close-up", 220, 70, closeUp);
  seeds.Write("lane-close-up-enlarged", 255, 255, closeUp);
  seeds.Write("lane-close-up-one-pixel", 1, 1, closeUp);
  seeds.Write("lane-close-up-empty-view", 0, 70, closeUp);
  seeds.Write("lane-close-up-cut-in-half", 220, 70, Prefix(closeUp, closeUp.size() / 2));
  seeds.Write("lane-close-up-header-only", 220, 70, Prefix(closeUp, AfterMarker(closeUp, 0xDA)));
  // Baseline frame header: length (2), precision (1), height (2), width (2).
  const std::size_t frameHeader = AfterMarker(closeUp, 0xC0);
  if (frameHeader == 0) throw std::runtime_error("the lane's close-up is not baseline");
  seeds.Write("lane-close-up-height-flipped", 220, 70, BitFlipped(closeUp, frameHeader + 3, 6));
  seeds.Write("lane-close-up-width-flipped", 220, 70, BitFlipped(closeUp, frameHeader + 5, 7));
  seeds.Write("lane-close-up-data-flipped", 220, 70,
              BitFlipped(closeUp, closeUp.size() * 3 / 4, 2));

  const QImage picture = QImage::fromData(closeUp.data(), static_cast<int>(closeUp.size()), "JPG");
  if (picture.isNull()) throw std::runtime_error("Qt cannot read the lane's close-up");
  const QImage small = picture.scaled(88, 28);
  seeds.Write("progressive", 200, 60, Encode(picture, {.progressive = true}));
  seeds.Write("progressive-cut", 200, 60, [&] {
    Bytes jpeg = Encode(picture, {.progressive = true});
    jpeg.resize(jpeg.size() * 2 / 3);
    return jpeg;
  }());
  seeds.Write("grayscale", 44, 14, Encode(small, {.grayscale = true}));
  seeds.Write("cmyk", 44, 14, Encode(small, {.cmyk = true}));
  seeds.Write("restart-markers", 100, 30, Encode(small, {.restartRows = 1}));
  seeds.Write("arithmetic", 100, 30, Encode(small, {.arithmetic = true}));
  seeds.Write("arithmetic-progressive", 30, 10,
              Encode(small, {.progressive = true, .arithmetic = true}));
  return 0;
}
