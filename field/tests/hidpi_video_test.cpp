// Live video in a real X11 window at 200 % scaling: run under Xvfb with
// QT_QPA_PLATFORM=xcb and QT_SCALE_FACTOR=2. Frames are drawn into the
// control's native window in its device pixels and fill it, not the quarter
// its logical size covers.
#include <gtest/gtest.h>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "AXCLIENTLib_TLB.h"
#include "FrameArrivals.h"
#include "Gstreamer.h"
#include "ImageSink.h"
#include "StreamVideo.h"

namespace field {
namespace {

constexpr int kWaitMs = 15000;
const QSize kControlSize(200, 150);
const QColor kFrameColour(Qt::red);
// What Qt paints where no frame is drawn.
const QColor kPaintedColour(Qt::blue);

bool IsFrameColour(QRgb pixel) {
  return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

// The control's window as X holds it, sampled near each corner.
bool FrameFillsTheControl(const QWidget& control) {
  const QImage shown = control.screen()->grabWindow(control.winId()).toImage();
  if (shown.width() < 2 * kControlSize.width()) return false;
  for (const double x : {0.1, 0.9}) {
    for (const double y : {0.1, 0.9}) {
      if (!IsFrameColour(shown.pixel(shown.width() * x, shown.height() * y))) return false;
    }
  }
  return true;
}

// Ten seconds of a red picture, MJPEG in AVI, written by GStreamer itself.
bool WriteRedVideo(const QString& path) {
  EnsureGstreamer();
  const QString description = QStringLiteral(
                                  "videotestsrc num-buffers=250 pattern=red ! "
                                  "video/x-raw,width=64,height=48,framerate=25/1 ! jpegenc ! "
                                  "avimux ! filesink location=\"%1\"")
                                  .arg(path);
  GstElement* pipeline = gst_parse_launch(description.toUtf8().constData(), nullptr);
  if (pipeline == nullptr) return false;
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* done = gst_bus_timed_pop_filtered(
      bus, 20 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  const bool written = done != nullptr && GST_MESSAGE_TYPE(done) == GST_MESSAGE_EOS;
  if (done != nullptr) gst_message_unref(done);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return written;
}

// A backend whose frames come from a thread of their own, as the virtual
// lane's do: drawn at the size the control offers, shown by an ImageSink.
class SinkVideo : public camera::VideoBackend {
 public:
  camera::Status PutStreamAddress(const QString&) override { return camera::Status::Ok(); }
  void Paint(QPainter& painter, const QRect& area) override {
    painter.fillRect(area, kPaintedColour);
  }
  void SetSurface(quintptr surface, QSize size) override {
    sink.SetSurface(surface, size);
    size_ = size;
  }
  void ShowFrame() {
    QImage frame(size_, QImage::Format_RGB32);
    frame.fill(kFrameColour);
    sink.Show(frame);
  }

  ImageSink sink;

 private:
  QSize size_;
};

class HiDpiVideoTest : public testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
      GTEST_SKIP() << "needs X11: run under xvfb-run with QT_QPA_PLATFORM=xcb";
    ASSERT_EQ(qApp->devicePixelRatio(), 2) << "run with QT_SCALE_FACTOR=2";
  }
};

TEST_F(HiDpiVideoTest, AStreamFillsTheControl) {
  QTemporaryDir folder;
  ASSERT_TRUE(WriteRedVideo(folder.filePath(QStringLiteral("lane.avi"))));
  StreamVideo video(QStringLiteral("file://") + folder.path() + QStringLiteral("/{address}.avi"),
                    100);
  FrameArrivals frames;
  video.SetFrameObserver([&](const QImage& frame) { frames.Record(frame); });
  camera::Taxclient control(&video);
  control.resize(kControlSize);
  control.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
  video.PutStreamAddress(QStringLiteral("lane"));
  ASSERT_TRUE(frames.WaitFor(5));

  EXPECT_TRUE(QTest::qWaitFor([&] { return FrameFillsTheControl(control); }, kWaitMs));
}

TEST_F(HiDpiVideoTest, FramesShownThroughAnImageSinkFillTheControl) {
  SinkVideo video;
  FrameArrivals frames;
  video.sink.SetFrameObserver([&](const QImage& frame) { frames.Record(frame); });
  camera::Taxclient control(&video);
  control.resize(kControlSize);
  control.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
  QTimer drawing;
  QObject::connect(&drawing, &QTimer::timeout, [&] { video.ShowFrame(); });
  drawing.start(20);
  ASSERT_TRUE(frames.WaitFor(5));

  EXPECT_TRUE(QTest::qWaitFor([&] { return FrameFillsTheControl(control); }, kWaitMs));
}

}  // namespace
}  // namespace field
