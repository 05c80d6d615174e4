// The plate event's picture path: a JPEG file shown in a 313×209 view.
// Ours decodes with DCT scaling to no more than the view needs and stretches;
// the fair alternative is Qt's own reader asked for the view's size, which
// also scales in libjpeg's DCT.
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

#include "JpegPicture.h"
#include "RatioReporter.h"
#include "VirtualLane.h"

namespace {

const QSize kViewSize(313, 209);
QString sceneFile;
QString detailedFile;

QByteArray VirtualLaneScene() {
  virtual_lane::VirtualLaneWorld world(virtual_lane::LaneTimings{.carPeriodMs = 0});
  const std::vector<std::uint8_t> scene =
      world.LaneAt(QStringLiteral("127.0.0.1"))->Recognise()->sceneJpeg;
  return QByteArray(reinterpret_cast<const char*>(scene.data()),
                    static_cast<qsizetype>(scene.size()));
}

// A photograph-like picture: soft gradients, many edges and sensor noise, so
// the entropy decoder has real work to do.
QImage DetailedPicture() {
  QImage image(1920, 1080, QImage::Format_RGB32);
  QRandomGenerator random(20261208);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const double wave = std::sin(x * 0.013) * std::cos(y * 0.021) * 60;
      const int noise = static_cast<int>(random.bounded(36)) - 18;
      const int r = std::clamp(int(110 + wave + noise + (x * 90) / 1920), 0, 255);
      const int g = std::clamp(int(120 - wave / 2 + noise + (y * 70) / 1080), 0, 255);
      const int b = std::clamp(int(100 + wave / 3 + noise), 0, 255);
      line[x] = qRgb(r, g, b);
    }
  }
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  for (int i = 0; i < 400; ++i) {
    painter.setPen(QPen(QColor::fromRgb(random.generate()), 1 + random.bounded(4)));
    painter.drawLine(random.bounded(1920), random.bounded(1080), random.bounded(1920),
                     random.bounded(1080));
  }
  return image;
}

// The highest quality that keeps the file near 650 KB.
QByteArray DetailedJpeg() {
  const QImage picture = DetailedPicture();
  QByteArray bytes;
  for (int quality = 95; quality >= 40; quality -= 1) {
    bytes.clear();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPG", quality);
    if (bytes.size() <= 660 * 1024) break;
  }
  return bytes;
}

QString WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) std::abort();
  return path;
}

void Ours(benchmark::State& state, const QString* file) {
  for (auto _ : state) {
    const QByteArray bytes = ReadPictureFile(*file);
    QImage shown = DecodeJpegStretched(PictureBytes(bytes), kViewSize);
    benchmark::DoNotOptimize(shown.constBits());
  }
}

void QtReaderAtViewSize(benchmark::State& state, const QString* file) {
  for (auto _ : state) {
    QImageReader reader(*file);
    reader.setScaledSize(kViewSize);
    QImage shown = reader.read();
    benchmark::DoNotOptimize(shown.constBits());
  }
}

// Both sides must show the same thing, or the ratio means nothing.
bool BothShowTheView(const QString& file) {
  QImageReader reader(file);
  reader.setScaledSize(kViewSize);
  return reader.read().size() == kViewSize &&
         DecodeJpegStretched(PictureBytes(ReadPictureFile(file)), kViewSize).size() == kViewSize;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  sceneFile = WriteFile(dir.filePath("ParkAll.JPG"), VirtualLaneScene());
  detailedFile = WriteFile(dir.filePath("detailed.jpg"), DetailedJpeg());
  std::printf("scene JPEG %lld bytes, detailed JPEG %lld bytes, view %dx%d\n",
              QFile(sceneFile).size(), QFile(detailedFile).size(), kViewSize.width(),
              kViewSize.height());
  for (const QString& file : {sceneFile, detailedFile}) {
    if (!BothShowTheView(file)) {
      std::fprintf(stderr, "picture_bench: %s is not decoded to the view's size\n",
                   qPrintable(file));
      return 1;
    }
  }

  benchmark::RegisterBenchmark("picture/ours", Ours, &sceneFile)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("picture/qt", QtReaderAtViewSize, &sceneFile)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("picture-detailed/ours", Ours, &detailedFile)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("picture-detailed/qt", QtReaderAtViewSize, &detailedFile)
      ->Unit(benchmark::kMillisecond);

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* name : {"picture", "picture-detailed"}) {
    const double ours = reporter.Nanoseconds(std::string(name) + "/ours");
    const double qt = reporter.Nanoseconds(std::string(name) + "/qt");
    if (qt > 0) std::printf("ratio %s %.3f\n", name, ours / qt);
  }
  return 0;
}
