// Live video from files and unreachable servers (127.0.0.1 only), headless:
// frames reach the control from GStreamer's own thread.
#include <gtest/gtest.h>
#include <httplib.h>

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "AutomationByteArray.h"
#include "FieldCamera.h"
#include "FrameArrivals.h"
#include "Gstreamer.h"
#include "HiddenGstElement.h"
#include "StreamVideo.h"

namespace field {
namespace {

constexpr int kWaitMs = 15000;

// A video file of `frames` frames at 25 fps, written by GStreamer itself:
// MJPEG in AVI unless `encoding` says otherwise.
bool WriteTestVideo(const QString& path, int frames, QSize size,
                    const char* encoding = "jpegenc ! avimux") {
  EnsureGstreamer();
  const QString description = QStringLiteral(
                                  "videotestsrc num-buffers=%1 pattern=ball ! "
                                  "video/x-raw,width=%2,height=%3,framerate=25/1 "
                                  "! %5 ! filesink location=\"%4\"")
                                  .arg(frames)
                                  .arg(size.width())
                                  .arg(size.height())
                                  .arg(path, QLatin1String(encoding));
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
  if (pipeline == nullptr) {
    g_error_free(error);
    return false;
  }
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

// When each frame reached the control, by the steady clock.
class FrameClock : public FrameArrivals {
 public:
  explicit FrameClock(StreamVideo& video) {
    video.SetFrameObserver([this](const QImage& frame) { Record(frame); });
  }
};

class StreamVideoTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(WriteTestVideo(folder.filePath(QStringLiteral("lane.avi")), 75, {320, 240}));
  }
  QString FileTemplate() const {
    return QStringLiteral("file://") + folder.path() + QStringLiteral("/{address}.avi");
  }

  QTemporaryDir folder;
};

TEST_F(StreamVideoTest, PlaysTheStreamOfTheTypedAddressAndSnapshotsItsNewestFrame) {
  StreamVideo video(FileTemplate(), 100);
  FrameClock frames(video);
  QSignalSpy playing(&video, &StreamVideo::Playing);

  ASSERT_FALSE(video.PutStreamAddress(QStringLiteral("lane")).Failed());

  ASSERT_TRUE(frames.WaitFor(10));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !playing.isEmpty(); }, kWaitMs));
  EXPECT_EQ(frames.LastSize(), QSize(320, 240));
  EXPECT_TRUE(video.State().isEmpty());

  FieldCamera camera(std::nullopt, &video);
  camera::AutomationByteArray picture(0x100000);
  std::int32_t length = 0;
  std::uint8_t result = 0;
  ASSERT_FALSE(camera.Capture(1, picture, 0x100000, length, result).Failed());
  EXPECT_EQ(result, 1);
  {
    camera::ArrayLock lock(picture);
    const QImage snapshot = QImage::fromData(lock.data(), length, "JPG");
    EXPECT_EQ(snapshot.size(), QSize(320, 240));
  }

  // Restarted for a new window size, the stream still has its newest frame to give.
  video.SetSurface(0, QSize(160, 120));
  ASSERT_FALSE(camera.Capture(1, picture, 0x100000, length, result).Failed());

  // A caller naming more room than its array has is refused, not written past.
  camera::AutomationByteArray small(16);
  EXPECT_TRUE(camera.Capture(1, small, 0x100000, length, result).Failed());
  EXPECT_EQ(length, 0);
}

TEST_F(StreamVideoTest, FramesKeepComingWhileTheGuiThreadSleeps) {
  StreamVideo video(FileTemplate(), 100);
  FrameClock frames(video);
  video.PutStreamAddress(QStringLiteral("lane"));
  ASSERT_TRUE(frames.WaitFor(5));

  const qint64 from = frames.Now();
  QThread::msleep(750);  // the plate event's pauses
  const auto [count, longestGap] = frames.Between(from, frames.Now());

  // 25 frames a second: about 18 in the pause. The benchmark measures the gaps.
  EXPECT_GE(count, 9);
  EXPECT_LT(longestGap, 400);
}

TEST_F(StreamVideoTest, AnEndedStreamIsPlayedAgain) {
  ASSERT_TRUE(WriteTestVideo(folder.filePath(QStringLiteral("short.avi")), 5, {160, 120}));
  StreamVideo video(FileTemplate(), 100);
  QSignalSpy playing(&video, &StreamVideo::Playing);
  QSignalSpy failed(&video, &StreamVideo::Failed);

  video.PutStreamAddress(QStringLiteral("short"));

  ASSERT_TRUE(QTest::qWaitFor([&] { return playing.size() >= 2; }, kWaitMs));
  EXPECT_GE(failed.size(), 1);
}

TEST(StreamVideoCodecs, H265IsDecoded) {
  QTemporaryDir folder;
  ASSERT_TRUE(WriteTestVideo(folder.filePath(QStringLiteral("lane.mkv")), 50, {320, 240},
                             "x265enc speed-preset=ultrafast ! h265parse ! matroskamux"));
  StreamVideo video(QStringLiteral("file://") + folder.path() + QStringLiteral("/{address}.mkv"),
                    100);
  FrameClock frames(video);

  video.PutStreamAddress(QStringLiteral("lane"));

  ASSERT_TRUE(frames.WaitFor(5));
  EXPECT_EQ(frames.LastSize(), QSize(320, 240));
}

// MJPEG over HTTP as network cameras serve it: JPEG after JPEG in one
// multipart/x-mixed-replace response that never ends.
TEST(StreamVideoCodecs, MjpegOverHttpIsShown) {
  QImage picture(320, 240, QImage::Format_RGB32);
  picture.fill(Qt::darkCyan);
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "JPG");
  const std::string part =
      "--frame\r\nContent-Type: image/jpeg\r\nContent-Length: " + std::to_string(jpeg.size()) +
      "\r\n\r\n" + jpeg.toStdString() + "\r\n";
  httplib::Server camera;
  camera.Get("/mjpeg", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider("multipart/x-mixed-replace; boundary=frame",
                                  [&](std::size_t, httplib::DataSink& sink) {
                                    if (!sink.write(part.data(), part.size())) return false;
                                    std::this_thread::sleep_for(std::chrono::milliseconds(40));
                                    return true;
                                  });
  });
  const int port = camera.bind_to_any_port("127.0.0.1");
  ASSERT_GT(port, 0);
  std::thread serving([&] { camera.listen_after_bind(); });
  StreamVideo video(QStringLiteral("http://{address}:%1/mjpeg").arg(port), 100);
  FrameClock frames(video);

  video.PutStreamAddress(QStringLiteral("127.0.0.1"));

  const bool shown = frames.WaitFor(5);
  const QString state = video.State();
  video.PutStreamAddress(QStringLiteral("0"));
  camera.stop();
  serving.join();
  ASSERT_TRUE(shown) << state.toStdString();
  EXPECT_EQ(frames.LastSize(), QSize(320, 240));
}

struct FailureCase {
  const char* name;
  const char* url;
  const char* says;
};

class StreamFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(StreamFailureTest, SaysWhyInPlainWordsAndKeepsTrying) {
  QTemporaryDir folder;
  QFile notVideo(folder.filePath(QStringLiteral("notes.avi")));
  ASSERT_TRUE(notVideo.open(QIODevice::WriteOnly));
  notVideo.write(QByteArray(4096, 'x'));
  notVideo.close();
  StreamVideo video(QString::fromUtf8(GetParam().url).replace("FOLDER", folder.path()), 100);
  QSignalSpy failed(&video, &StreamVideo::Failed);

  video.PutStreamAddress(QStringLiteral("127.0.0.1"));

  ASSERT_TRUE(QTest::qWaitFor([&] { return failed.size() >= 3; }, kWaitMs));
  EXPECT_TRUE(video.State().startsWith(QStringLiteral("视频中断"))) << video.State().toStdString();
  EXPECT_TRUE(video.State().contains(QString::fromUtf8(GetParam().says)))
      << video.State().toStdString();
  EXPECT_FALSE(video.State().contains(QStringLiteral("secret")));
  EXPECT_TRUE(video.LastFrame().isNull());

  video.PutStreamAddress(QStringLiteral("0"));
  EXPECT_TRUE(video.State().isEmpty());
  const qsizetype stopped = failed.size();
  QTest::qWait(600);
  EXPECT_EQ(failed.size(), stopped);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, StreamFailureTest,
    testing::Values(FailureCase{"NoServer", "rtsp://user:secret@{address}:1/lane", "连接不上"},
                    FailureCase{"NoFile", "file:///nonexistent/{address}.avi", "找不到视频流"},
                    FailureCase{"NotAVideo", "file://FOLDER/notes.avi", "无法解码"},
                    FailureCase{"NotAUrl", "just words", "不是有效的视频地址"}),
    [](const auto& info) { return std::string(info.param.name); });

// A camera that takes the connection and never says a word.
class SilentCameraTest : public testing::TestWithParam<const char*> {};

TEST_P(SilentCameraTest, CountsAsFailedAfterFiveSecondsAndIsTriedAgain) {
  QTcpServer camera;
  ASSERT_TRUE(camera.listen(QHostAddress::LocalHost));
  QList<QTcpSocket*> accepted;
  QObject::connect(&camera, &QTcpServer::newConnection, [&] {
    while (QTcpSocket* socket = camera.nextPendingConnection()) accepted << socket;
  });
  StreamVideo video(QString::fromLatin1(GetParam()).arg(camera.serverPort()), 100);
  QSignalSpy failed(&video, &StreamVideo::Failed);

  video.PutStreamAddress(QStringLiteral("127.0.0.1"));

  ASSERT_TRUE(QTest::qWaitFor([&] { return failed.size() >= 2; }, 3 * kWaitMs));
  EXPECT_FALSE(accepted.isEmpty());
  for (const QList<QVariant>& failure : failed) {
    EXPECT_EQ(failure.value(0).toString(), QStringLiteral("摄像机无应答"));
  }
  EXPECT_TRUE(video.State().startsWith(QStringLiteral("视频中断: 摄像机无应答")))
      << video.State().toStdString();
  video.PutStreamAddress(QStringLiteral("0"));
}

INSTANTIATE_TEST_SUITE_P(Streams, SilentCameraTest,
                         testing::Values("rtsp://{address}:%1/lane", "http://{address}:%1/mjpeg"),
                         [](const auto& info) { return info.index == 0 ? "Rtsp" : "Http"; });

struct MissingCase {
  const char* element;
  const char* package;
};

class MissingElementTest : public testing::TestWithParam<MissingCase> {};

TEST_P(MissingElementTest, NamesTheElementAndItsPackageAndTriesNoFurther) {
  QTemporaryDir folder;
  ASSERT_TRUE(WriteTestVideo(folder.filePath(QStringLiteral("lane.avi")), 25, {160, 120}));
  const HiddenGstElement hidden(GetParam().element);
  ASSERT_TRUE(hidden.Hidden());
  StreamVideo video(QStringLiteral("file://") + folder.path() + QStringLiteral("/{address}.avi"),
                    100);
  QSignalSpy unavailable(&video, &StreamVideo::Unavailable);
  QSignalSpy failed(&video, &StreamVideo::Failed);

  EXPECT_FALSE(video.PutStreamAddress(QStringLiteral("lane")).Failed());
  QTest::qWait(StreamVideo::kFirstRetryMs * 3);

  ASSERT_EQ(unavailable.size(), 1);
  const QString notice = unavailable.front().value(0).toString();
  for (const QString& text : {notice, video.State()}) {
    EXPECT_TRUE(text.contains(QLatin1String(GetParam().element))) << text.toStdString();
    EXPECT_TRUE(text.contains(QLatin1String(GetParam().package))) << text.toStdString();
  }
  EXPECT_TRUE(failed.isEmpty());
  EXPECT_TRUE(video.LastFrame().isNull());
}

INSTANTIATE_TEST_SUITE_P(Elements, MissingElementTest,
                         testing::Values(MissingCase{"uridecodebin", "gstreamer1.0-plugins-base"},
                                         MissingCase{"videoconvert", "gstreamer1.0-plugins-base"},
                                         MissingCase{"appsink", "gstreamer1.0-plugins-base"},
                                         MissingCase{"capsfilter", "libgstreamer1.0-0"}),
                         [](const auto& info) { return std::string(info.param.element); });

TEST_F(StreamVideoTest, ConnectingAndDisconnectingLeavesNothingBehind) {
  StreamVideo video(FileTemplate(), 100);
  FrameClock frames(video);
  video.PutStreamAddress(QStringLiteral("lane"));
  ASSERT_TRUE(frames.WaitFor(3));
  video.PutStreamAddress(QStringLiteral("0"));
  QTest::qWait(500);
  const ProcessResources before = ProcessResources::Now();

  for (int round = 0; round < 200; ++round) {
    video.PutStreamAddress(QStringLiteral("lane"));
    QTest::qWait(round % 20 == 0 ? 200 : 5);
    video.PutStreamAddress(QStringLiteral("0"));
  }
  // Stopped pipelines are taken down one after another, off the GUI thread.
  const auto settled = [&] {
    const ProcessResources now = ProcessResources::Now();
    return now.threads <= before.threads + 4 && now.descriptors <= before.descriptors + 4;
  };
  EXPECT_TRUE(QTest::qWaitFor(settled, 30000))
      << ProcessResources::Now().threads << " threads (" << before.threads << " before), "
      << ProcessResources::Now().descriptors << " descriptors (" << before.descriptors
      << " before)";
  if (ProcessResources::kMemoryTells) {
    EXPECT_LT(ProcessResources::Now().residentKilobytes - before.residentKilobytes, 30 * 1024);
  }
}

}  // namespace
}  // namespace field
