#include <gtest/gtest.h>
#include <QImage>

#include <csignal>
#include <functional>

#include "JsonPath.h"
#include "LaneSimProcess.h"
#include "RecordingReceiver.h"

namespace lanesim::testing {
namespace {

constexpr QSize kSceneSize{1920, 1080};
constexpr QSize kCloseUpSize{440, 140};

// Starts lanesim pushing to `receiver` and has a car come at once.
QString PushOneCar(LaneSimProcess& lanesim, const RecordingReceiver& receiver,
                   const QString& format) {
  if (!lanesim.Started()) return {};
  const QString first = lanesim.Lines().front();
  EXPECT_EQ(first,
            QStringLiteral("lanesim: pushing plates to %1 (%2)").arg(receiver.Url(), format));
  EXPECT_EQ(::kill(static_cast<pid_t>(lanesim.Process().processId()), SIGUSR1), 0);
  if (!lanesim.WaitForLineStarting(QStringLiteral("lanesim: pushed "))) return {};
  return lanesim.Lines().last();
}

QSize JpegSize(const QByteArray& bytes) {
  return QImage::fromData(bytes, "JPEG").size();
}

QSize Base64JpegSize(const QJsonValue& value) {
  return JpegSize(QByteArray::fromBase64(value.toString().toLatin1()));
}

TEST(LaneSimPush, PostsEachFormatWithThePlateAndItsPictures) {
  const struct {
    const char* format;
    const char* contentType;
    // Where the plate, the scene and the close-up are, as each format's reader finds them.
    std::function<QString(const ReceivedRequest&)> plate;
    std::function<QSize(const ReceivedRequest&)> scene;
    std::function<QSize(const ReceivedRequest&)> closeUp;
  } cases[] = {
      {"console", "application/json",
       [](const ReceivedRequest& r) { return At(r.body, "plate").toString(); },
       [](const ReceivedRequest& r) { return Base64JpegSize(At(r.body, "scene_jpeg")); },
       [](const ReceivedRequest& r) { return Base64JpegSize(At(r.body, "closeup_jpeg")); }},
      {"openalpr", "application/json",
       [](const ReceivedRequest& r) { return At(r.body, "best_plate_number").toString(); },
       [](const ReceivedRequest& r) { return Base64JpegSize(At(r.body, "vehicle_crop_jpeg")); },
       [](const ReceivedRequest& r) {
         return Base64JpegSize(At(r.body, "best_plate/plate_crop_jpeg"));
       }},
      {"platerecognizer", "multipart/form-data",
       [](const ReceivedRequest& r) {
         return At(r.parts.at("json").body, "data/results/0/plate").toString();
       },
       [](const ReceivedRequest& r) {
         EXPECT_EQ(r.parts.at("upload").contentType, "image/jpeg");
         return JpegSize(r.parts.at("upload").body);
       },
       [](const ReceivedRequest&) { return kCloseUpSize; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    RecordingReceiver receiver;
    const QString format = QString::fromLatin1(c.format);
    LaneSimProcess lanesim({"--push", receiver.Url(), "--push-format", format, "--quiet"});
    const QString pushed = PushOneCar(lanesim, receiver, format);
    ASSERT_TRUE(pushed.endsWith(QStringLiteral(" to %1: 200").arg(receiver.Url())))
        << pushed.toStdString();

    ASSERT_FALSE(receiver.Requests().empty());
    const ReceivedRequest request = receiver.Requests().front();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/plates");
    EXPECT_TRUE(request.contentType.startsWith(c.contentType)) << request.contentType.data();
    const QString plate = c.plate(request);
    EXPECT_EQ(plate.size(), 7) << plate.toStdString();
    EXPECT_EQ(pushed, QStringLiteral("lanesim: pushed %1 to %2: 200").arg(plate, receiver.Url()));
    EXPECT_EQ(c.scene(request), kSceneSize);
    EXPECT_EQ(c.closeUp(request), kCloseUpSize);
  }
}

TEST(LaneSimPush, SendsTheSamePlateAgainWhenTheReceiverAsksForLater) {
  RecordingReceiver receiver({{503, "1"}});
  LaneSimProcess lanesim({"--push", receiver.Url()});
  const QString pushed = PushOneCar(lanesim, receiver, QStringLiteral("console"));
  ASSERT_TRUE(pushed.endsWith(QStringLiteral(": 503 (retry after 1 s)"))) << pushed.toStdString();
  const QString retried = pushed.chopped(QStringLiteral("503 (retry after 1 s)").size()) + "200";
  EXPECT_TRUE(lanesim.WaitForLineStarting(retried));

  ASSERT_TRUE(receiver.WaitForRequests(2));
  const std::vector<ReceivedRequest> requests = receiver.Requests();
  ASSERT_EQ(requests.size(), 2U);
  EXPECT_EQ(requests[0].body, requests[1].body);
}

}  // namespace
}  // namespace lanesim::testing
