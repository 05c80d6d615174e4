// The published plate messages of ../shared/plate-samples, each posted as its
// sender posts it to a real receiver on 127.0.0.1. They are other projects'
// files, never copied here: a clone without them skips this test.
#include <gtest/gtest.h>
#include <httplib.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include "PlateLane.h"
#include "plates/DocumentPaths.h"
#include "plates/PlateFormatFiles.h"

namespace field {
namespace {

const QString kSamples = QStringLiteral(PLATE_SAMPLES_DIR);

std::string Sample(const char* name) {
  QFile file(QDir(kSamples).filePath(QString::fromUtf8(name)));
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// A picture the sample carries as base64 at `pointer`, decoded here.
std::string SamplePicture(const char* name, const char* pointer) {
  QByteArray json = QByteArray::fromStdString(Sample(name));
  if (json.startsWith("\xEF\xBB\xBF")) json.remove(0, 3);
  const QJsonValue value =
      FindJsonPointer(QJsonDocument::fromJson(json).object(), QString::fromUtf8(pointer));
  return QByteArray::fromBase64(value.toString().toLatin1()).toStdString();
}

const std::string kScene = Jpeg(Qt::darkGreen);
const std::string kCloseup = Jpeg(Qt::blue);

struct Posting {
  const char* sample;
  std::function<httplib::Result(httplib::Client&)> post;
};

httplib::Result AsJson(httplib::Client& client, const char* sample) {
  return client.Post("/plates", Sample(sample), "application/json");
}

struct Expected {
  const char* plate;
  const char* camera;  // 127.0.0.1: the sender stands for the camera
  float confidence;
  std::string scene;
  std::string closeup;
  std::vector<const char*> missing;  // the fields the pane says the plate goes without
};

struct SampleCase {
  const char* name;
  const char* sample;
  std::function<httplib::Result(httplib::Client&)> post;
  std::function<Expected()> expected;
};

class PlateSamplesTest : public testing::TestWithParam<SampleCase> {
 protected:
  void SetUp() override {
    if (!QDir(kSamples).exists()) {
      GTEST_SKIP() << "the published samples are not at " << kSamples.toStdString()
                   << " (only a checkout beside ../shared has them)";
    }
  }
};

std::vector<PlateFormatMapping> Shipped() {
  QString error;
  auto shipped = LoadPlateFormatFiles(ShippedPlateFormatFiles(), error);
  EXPECT_TRUE(shipped) << error.toStdString();
  return shipped.value_or(std::vector<PlateFormatMapping>{});
}

TEST_P(PlateSamplesTest, IsRaisedWithItsPlateAndPictures) {
  const SampleCase& c = GetParam();
  PlateLane lane(QString(), 10, Shipped());
  ASSERT_TRUE(lane.Started());
  httplib::Client client = lane.Client();

  const auto answer = c.post(client);

  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, 200) << answer->body;
  ASSERT_TRUE(lane.WaitForPlates(1));
  const Expected want = c.expected();
  const RaisedPlate& got = lane.plates[0];
  EXPECT_EQ(got.number.toStdString(), want.plate);
  EXPECT_EQ(got.ip.toStdString(), want.camera);
  EXPECT_NEAR(got.confidence, want.confidence, 1e-6);
  EXPECT_EQ(got.scene.size(), want.scene.size());
  EXPECT_TRUE(got.scene == want.scene) << "the scene differs";
  EXPECT_TRUE(got.closeup == want.closeup) << "the close-up differs";
  for (const std::string* picture : {&got.scene, &got.closeup}) {
    if (!picture->empty()) {
      EXPECT_FALSE(QImage::fromData(QByteArray::fromStdString(*picture)).isNull());
    }
  }
  if (want.missing.empty()) {
    EXPECT_TRUE(lane.notices.isEmpty()) << lane.notices.join(u'\n').toStdString();
  } else {
    ASSERT_EQ(lane.notices.size(), 1) << lane.notices.join(u'\n').toStdString();
    for (const char* field : want.missing) {
      EXPECT_TRUE(lane.notices[0].contains(QString::fromUtf8(field)))
          << field << " in " << lane.notices[0].toStdString();
    }
  }
}

constexpr char kResultsV2[] = "openalpr_watchman_alpr_results_v2.json";
constexpr char kGroupV2[] = "openalpr_watchman_alpr_group_v2.json";
constexpr char kDaemonResults[] = "openalpr_alprd_alpr_results_v1_legacy.json";
constexpr char kDaemonGroup[] = "openalpr_alprd_alpr_group_v1_legacy.json";
constexpr char kCaptured[] = "openalpr_watchman_alpr_group_v2_captured_mlapaglia.json";
constexpr char kGroupV3[] = "rekor_scout_alpr_group_v3_mibs510.json";
constexpr char kAlert[] = "rekor_scout_alpr_alert_v3_mibs510.json";
constexpr char kRecognizer[] = "platerecognizer_snapshot_webhook_legacy_docs.json";
constexpr char kAlarm[] = "camera_anpr_alarm.xml";
constexpr char kPlateApp[] = "camera_plate_app_event.json";
constexpr char kHeartbeat[] = "openalpr_watchman_heartbeat_v2.json";
// Not posted over HTTP by their senders.
constexpr const char* kNotPushed[] = {
    "README.md", "openalpr_lib_alpr_results_v2_from_Alpr.cs.json",
    "onvif_analytics_LicensePlateInfo_example.xml",
    "onvif_analytics_LicensePlateRecognition_RuleDescription.xml"};

std::function<httplib::Result(httplib::Client&)> Json(const char* sample) {
  return [sample](httplib::Client& client) { return AsJson(client, sample); };
}

httplib::Result Alarm(httplib::Client& client, const std::string& scene) {
  return client.Post(
      "/plates", httplib::MultipartFormDataItems{
                     {"anpr.xml", Sample(kAlarm), "anpr.xml", "text/xml"},
                     {"licensePlatePicture.jpg", kCloseup, "licensePlatePicture.jpg", "image/jpeg"},
                     {"detectionPicture.jpg", scene, "detectionPicture.jpg", "image/jpeg"}});
}

// Plates, confidences and pictures as the samples hold them, read off the files by eye.
INSTANTIATE_TEST_SUITE_P(
    Published, PlateSamplesTest,
    testing::Values(
        SampleCase{
            "AgentResultsWithPlaceholders", kResultsV2, Json(kResultsV2),
            [] {
              return Expected{
                  "CG3L5Y", "127.0.0.1", 0.947376327514648f,
                  {},       {},          {"\"results[1].plate_crop_jpeg\" is not valid base64"}};
            }},
        SampleCase{"AgentGroupWithPlaceholders", kGroupV2, Json(kGroupV2),
                   [] {
                     return Expected{"D2651BF",
                                     "127.0.0.1",
                                     0.93877067565918f,
                                     {},
                                     {},
                                     {"\"vehicle_crop_jpeg\" is not valid base64",
                                      "\"best_plate.plate_crop_jpeg\" is not valid base64"}};
                   }},
        SampleCase{"DaemonResultsWithoutDataTypeInSeconds", kDaemonResults, Json(kDaemonResults),
                   [] { return Expected{"EJLESSIE", "127.0.0.1", 0.78167984f, {}, {}, {}}; }},
        SampleCase{"DaemonGroup", kDaemonGroup, Json(kDaemonGroup),
                   [] { return Expected{"A13709", "127.0.0.1", 0.92075203f, {}, {}, {}}; }},
        SampleCase{"CapturedGroupWithByteOrderMark", kCaptured, Json(kCaptured),
                   [] {
                     return Expected{"A424761",
                                     "127.0.0.1",
                                     0.9350499725341797f,
                                     SamplePicture(kCaptured, "/vehicle_crop_jpeg"),
                                     SamplePicture(kCaptured, "/best_plate/plate_crop_jpeg"),
                                     {}};
                   }},
        SampleCase{"GroupV3WithOverview", kGroupV3, Json(kGroupV3),
                   [] {
                     return Expected{"19462SH",
                                     "127.0.0.1",
                                     0.9325465393f,
                                     SamplePicture(kGroupV3, "/overview_jpeg"),
                                     SamplePicture(kGroupV3, "/best_plate/plate_crop_jpeg"),
                                     {}};
                   }},
        SampleCase{"Alert", kAlert, Json(kAlert),
                   [] {
                     return Expected{"2BH375",
                                     "127.0.0.1",
                                     0.9325465393f,
                                     SamplePicture(kAlert, "/group/overview_jpeg"),
                                     SamplePicture(kAlert, "/group/best_plate/plate_crop_jpeg"),
                                     {}};
                   }},
        SampleCase{"RecognizerJson", kRecognizer, Json(kRecognizer),
                   [] { return Expected{"765410", "127.0.0.1", 0.9131534678711563f, {}, {}, {}}; }},
        SampleCase{
            "RecognizerMultipart", kRecognizer,
            [](httplib::Client& client) {
              return client.Post("/plates",
                                 httplib::MultipartFormDataItems{
                                     {"json", Sample(kRecognizer), "", ""},
                                     {"upload", kScene, "14_22_test.jpeg", "image/jpeg"}});
            },
            [] { return Expected{"765410", "127.0.0.1", 0.9131534678711563f, kScene, {}, {}}; }},
        SampleCase{
            "AnprAlarmMultipart", kAlarm,
            [](httplib::Client& client) { return Alarm(client, kScene); },
            [] { return Expected{"PECT600", "10.199.27.128", 0.97f, kScene, kCloseup, {}}; }},
        SampleCase{"AnprAlarmWithAnEmptyPicturePart", kAlarm,
                   [](httplib::Client& client) { return Alarm(client, {}); },
                   [] {
                     return Expected{"PECT600", "10.199.27.128",
                                     0.97f,     {},
                                     kCloseup,  {"part \"detectionPicture.jpg\" is empty"}};
                   }},
        SampleCase{"PlateAppMultipart", kPlateApp,
                   [](httplib::Client& client) {
                     return client.Post("/plates",
                                        httplib::MultipartFormDataItems{
                                            {"event", Sample(kPlateApp), "", "application/json"},
                                            {"image", kCloseup, "plate.jpg", "image/jpeg"}});
                   },
                   [] { return Expected{"RLE11684", "127.0.0.1", 0.719034f, {}, kCloseup, {}}; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlateSamples, TheHeartbeatIsAQuiet200NamingItsAgentOnce) {
  if (!QDir(kSamples).exists()) GTEST_SKIP() << "no samples at " << kSamples.toStdString();
  PlateLane lane;
  ASSERT_TRUE(lane.Started());
  httplib::Client client = lane.Client();
  for (int minute = 0; minute < 3; ++minute) {
    const auto answer = AsJson(client, kHeartbeat);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
  }
  QTest::qWait(200);
  EXPECT_TRUE(lane.plates.empty());
  EXPECT_EQ(
      lane.notices,
      QStringList{QStringLiteral("OpenALPR 引擎 YYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYY 在线")});
}

// A sample added to the folder is not left out of the cases above unseen.
TEST(PlateSamples, EveryFileIsPostedOrKnownNotToBe) {
  if (!QDir(kSamples).exists()) GTEST_SKIP() << "no samples at " << kSamples.toStdString();
  QStringList known = {kResultsV2, kGroupV2,    kDaemonResults, kDaemonGroup, kCaptured, kGroupV3,
                       kAlert,     kRecognizer, kAlarm,         kPlateApp,    kHeartbeat};
  for (const char* name : kNotPushed) known << QString::fromUtf8(name);
  for (const QString& file : QDir(kSamples).entryList(QDir::Files)) {
    EXPECT_TRUE(known.contains(file)) << file.toStdString();
  }
}

}  // namespace
}  // namespace field
