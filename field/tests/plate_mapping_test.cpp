#include <gtest/gtest.h>

#include <QByteArray>
#include <QMap>
#include <QString>
#include <cctype>
#include <ostream>
#include <string>
#include <utility>

#include "PlateMapping.h"

namespace field {
namespace {

// The pictures below as base64, worked out with base64(1).
const QByteArray kScene("\xFF\xD8\xFF\xD9");            // /9j/2Q==
const QByteArray kCloseup("\xFF\xD8\xFF\xDB\xFF\xD9");  // /9j/2//Z
const QByteArray kNotJpeg("not a jpeg");                // bm90IGEganBlZw==
// 2026-12-08T02:33:48.123Z = 1796697228123 ms since 1970.
const QDateTime kTime(QDate(2026, 12, 8), QTime(2, 33, 48, 123), Qt::UTC);

constexpr char kRecognizer[] =
    R"({"hook":{"target":"http://127.0.0.1:8080/plates","id":1,"event":"recognition"},
        "data":{"camera_id":"192.168.1.100","timestamp":"2026-12-08T02:33:48.123456Z",
                "filename":"lane.jpg","results":[
          {"plate":"abc123","score":0.905,"dscore":0.8,"box":{"xmin":1,"ymin":2,"xmax":3,"ymax":4}},
          {"plate":"abc128","score":0.95,"dscore":0.7,"box":{"xmin":1,"ymin":2,"xmax":3,"ymax":4}}]}})";

struct Case {
  const char* name;
  QByteArray body;                  // a JSON body, unless `multipart`
  QMap<QString, QByteArray> parts;  // a multipart body's parts
  bool multipart = false;
  PlateRecord want;
  const char* error = nullptr;  // the refusal expected instead of `want`
  QStringList notices = {};     // pictures the plate goes without
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

Case Json(const char* name, const char* body, PlateRecord want) {
  return {name, body, {}, false, want};
}
Case Multipart(const char* name, QMap<QString, QByteArray> parts, PlateRecord want) {
  return {name, {}, std::move(parts), true, want};
}
Case JsonWithout(const char* name, const char* body, PlateRecord want, QStringList notices) {
  return {name, body, {}, false, want, nullptr, std::move(notices)};
}
Case JsonRefused(const char* body, const char* error) {
  return {body, body, {}, false, {}, error};
}
Case MultipartRefused(const char* json, const char* error) {
  return {json, {}, {{"json", json}}, true, {}, error};
}

std::string RowName(const testing::TestParamInfo<Case>& info) {
  std::string name = info.param.name;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

class PlateMappingTest : public testing::TestWithParam<Case> {};

PlateRequest RequestOf(const Case& c) {
  PlateRequest request;
  request.multipart = c.multipart;
  request.contentType = c.multipart ? QStringLiteral("multipart/form-data; boundary=b")
                                    : QStringLiteral("application/json");
  request.body = c.body;
  for (auto part = c.parts.cbegin(); part != c.parts.cend(); ++part) {
    request.parts.append({part.key(), {}, part.value()});
  }
  request.sender = QStringLiteral("127.0.0.1");
  return request;
}

TEST_P(PlateMappingTest, MapsEveryFieldOrRefusesWithItsReason) {
  const Case& c = GetParam();
  const MappedPlate mapped = PlateMapper().Map(RequestOf(c));
  EXPECT_EQ(mapped.notices.join(u'|').toStdString(), c.notices.join(u'|').toStdString());
  if (c.error) {
    EXPECT_FALSE(mapped.plate);
    EXPECT_EQ(mapped.error.toStdString(), c.error);
    return;
  }
  ASSERT_TRUE(mapped.plate) << mapped.error.toStdString();
  EXPECT_TRUE(mapped.error.isEmpty());
  const PlateRecord& got = *mapped.plate;
  EXPECT_EQ(got.camera.toStdString(), c.want.camera.toStdString());
  EXPECT_EQ(got.plate.toStdString(), c.want.plate.toStdString());
  EXPECT_EQ(got.color.toStdString(), c.want.color.toStdString());
  EXPECT_EQ(got.time.toUTC().toString(Qt::ISODateWithMs).toStdString(),
            c.want.time.toUTC().toString(Qt::ISODateWithMs).toStdString());
  EXPECT_EQ(got.sceneJpeg.toHex(' ').toStdString(), c.want.sceneJpeg.toHex(' ').toStdString());
  EXPECT_EQ(got.closeupJpeg.toHex(' ').toStdString(), c.want.closeupJpeg.toHex(' ').toStdString());
  EXPECT_FLOAT_EQ(got.confidence, c.want.confidence);
}

// Each plate expected: camera, plate, colour, time, scene, close-up, confidence.
INSTANTIATE_TEST_SUITE_P(
    Console, PlateMappingTest,
    testing::Values(
        Json("json every field",
             R"({"camera":"192.168.1.100","plate":"粤B12345","color":"蓝",
                 "time":"2026-12-08T10:33:48.123+08:00","scene_jpeg":"/9j/2Q==",
                 "closeup_jpeg":"/9j/2//Z","confidence":0.97})",
             {"192.168.1.100", "粤B12345", "蓝", kTime, kScene, kCloseup, 0.97f}),
        Json("json plate only", R"({"plate":"粤B12345"})", {"", "粤B12345", "", {}, {}, {}, 0}),
        Json("json null is not given",
             R"({"plate":"A1","camera":null,"time":null,"scene_jpeg":null,"confidence":null})",
             {"", "A1", "", {}, {}, {}, 0}),
        Json("json picture not JPEG", R"({"plate":"A1","closeup_jpeg":"bm90IGEganBlZw=="})",
             {"", "A1", "", {}, {}, kNotJpeg, 0}),
        Multipart("multipart every field",
                  {{"json", R"({"camera":"192.168.1.100","plate":"粤B12345","color":"蓝",
                               "time":"2026-12-08T02:33:48.123Z","confidence":0.97})"},
                   {"scene", kScene},
                   {"closeup", kCloseup}},
                  {"192.168.1.100", "粤B12345", "蓝", kTime, kScene, kCloseup, 0.97f}),
        Multipart("multipart plate only", {{"json", R"({"plate":"粤B12345"})"}},
                  {"", "粤B12345", "", {}, {}, {}, 0}),
        Multipart("multipart picture not JPEG",
                  {{"json", R"({"plate":"A1","scene_jpeg":"/9j/2Q=="})"}, {"scene", kNotJpeg}},
                  {"", "A1", "", {}, kNotJpeg, {}, 0})),
    RowName);

INSTANTIATE_TEST_SUITE_P(
    OpenAlpr, PlateMappingTest,
    testing::Values(
        Json("group every field",
             R"({"data_type":"alpr_group","camera_id":1234,"epoch_start":1796697228123,
                 "best_plate_number":"ABC123","best_confidence":87.5,
                 "best_plate":{"plate":"ABC128","confidence":80.25,"plate_crop_jpeg":"/9j/2//Z"},
                 "vehicle_crop_jpeg":"/9j/2Q=="})",
             {"", "ABC123", "", kTime, kScene, kCloseup, 0.875f}),
        Json("group best plate only",
             R"({"data_type":"alpr_group","best_plate":{"plate":"ABC123","confidence":91}})",
             {"", "ABC123", "", {}, {}, {}, 0.91f}),
        Json("group plate number only",
             R"({"data_type":"alpr_group","best_plate_number":"ABC123"})",
             {"", "ABC123", "", {}, {}, {}, 0}),
        Json("results every field, the first best",
             R"({"data_type":"alpr_results","epoch_time":1796697228123,"results":[
                 {"plate":"ABC128","confidence":71.5,"plate_crop_jpeg":"bm90IGEganBlZw=="},
                 {"plate":"ABC123","confidence":94.5,"plate_crop_jpeg":"/9j/2//Z"},
                 {"plate":"A8C123","confidence":94.5}]})",
             {"", "ABC123", "", kTime, {}, kCloseup, 0.945f}),
        Json("results plate only", R"({"data_type":"alpr_results","results":[{"plate":"ABC123"}]})",
             {"", "ABC123", "", {}, {}, {}, 0})),
    RowName);

INSTANTIATE_TEST_SUITE_P(
    PlateRecognizer, PlateMappingTest,
    testing::Values(Json("json every field, the best score", kRecognizer,
                         {"192.168.1.100", "abc128", "", kTime, {}, {}, 0.95f}),
                    Json("json plate only", R"({"data":{"results":[{"plate":"abc123"}]}})",
                         {"", "abc123", "", {}, {}, {}, 0}),
                    Multipart("multipart every field", {{"json", kRecognizer}, {"upload", kScene}},
                              {"192.168.1.100", "abc128", "", kTime, kScene, {}, 0.95f}),
                    Multipart("multipart plate only",
                              {{"json", R"({"data":{"results":[{"plate":"abc123"}]}})"}},
                              {"", "abc123", "", {}, {}, {}, 0})),
    RowName);

// What real senders do: a byte order mark, placeholders where base64 belongs,
// seconds for milliseconds, confidences as strings, no data_type.
INSTANTIATE_TEST_SUITE_P(
    SendersTraps, PlateMappingTest,
    testing::Values(
        Json("byte order mark", "\xEF\xBB\xBF{\"plate\":\"A1\"}", {"", "A1", "", {}, {}, {}, 0}),
        JsonWithout("group placeholder pictures",
                    R"({"data_type":"alpr_group","best_plate_number":"D2651BF",
                        "vehicle_crop_jpeg":"...base64 jpeg data...",
                        "best_plate":{"plate":"D2651BF","plate_crop_jpeg":"... base 64 image data ..."}})",
                    {"", "D2651BF", "", {}, {}, {}, 0},
                    {R"("vehicle_crop_jpeg" is not valid base64)",
                     R"("best_plate.plate_crop_jpeg" is not valid base64)"}),
        JsonWithout("console bad base64", R"({"plate":"A1","scene_jpeg":"/9j/2Q=x"})",
                    {"", "A1", "", {}, {}, {}, 0}, {R"("scene_jpeg" is not valid base64)"}),
        JsonWithout("console picture not a string", R"({"plate":"A1","closeup_jpeg":5})",
                    {"", "A1", "", {}, {}, {}, 0}, {R"("closeup_jpeg" is not valid base64)"}),
        Json("runner-up crop not checked",
             R"({"data_type":"alpr_results","results":[
                 {"plate":"ABC123","confidence":94.5,"plate_crop_jpeg":"/9j/2//Z"},
                 {"plate":"A8C123","confidence":71.5,"plate_crop_jpeg":"... base64 ..."}]})",
             {"", "ABC123", "", {}, {}, kCloseup, 0.945f}),
        Json("base64 in lines", "{\"plate\":\"A1\",\"scene_jpeg\":\"/9j/\\n2Q==\"}",
             {"", "A1", "", {}, kScene, {}, 0}),
        Json("daemon results without data_type, seconds",
             R"({"epoch_time":1796697228,"results":[{"plate":"S11FRE","confidence":77.5}]})",
             {"",
              "S11FRE",
              "",
              QDateTime(QDate(2026, 12, 8), QTime(2, 33, 48), Qt::UTC),
              {},
              {},
              0.775f}),
        Json("epoch 10^11 is milliseconds",
             R"({"data_type":"alpr_group","best_plate_number":"A1","epoch_start":100000000000})",
             {"", "A1", "", QDateTime(QDate(1973, 3, 3), QTime(9, 46, 40), Qt::UTC), {}, {}, 0}),
        Json("epoch below 10^11 is seconds",
             R"({"data_type":"alpr_group","best_plate_number":"A1","epoch_start":99999999999})",
             {"", "A1", "", QDateTime(QDate(5138, 11, 16), QTime(9, 46, 39), Qt::UTC), {}, {}, 0}),
        Json("string confidences, each scale",
             R"({"data_type":"alpr_results","results":[{"plate":"ab12","confidence":"94.5"}]})",
             {"", "ab12", "", {}, {}, {}, 0.945f}),
        Json("string score", R"({"data":{"results":[{"plate":"abc123","score":"0.905"}]}})",
             {"", "abc123", "", {}, {}, {}, 0.905f}),
        Json("console string confidence", R"({"plate":"A1","confidence":" 0.97 "})",
             {"", "A1", "", {}, {}, {}, 0.97f}),
        Json("group v3 overview is the scene",
             R"({"data_type":"alpr_group","version":3,"best_plate_number":"19462SH",
                 "overview_jpeg":"/9j/2Q==","vehicle_crop_jpeg":"bm90IGEganBlZw==",
                 "best_plate":{"plate":"19462SH","plate_crop_jpeg":"/9j/2//Z"}})",
             {"", "19462SH", "", {}, kScene, kCloseup, 0}),
        JsonWithout("group overview placeholder, the vehicle instead",
                    R"({"data_type":"alpr_group","best_plate_number":"A1",
                        "overview_jpeg":"[overview]","vehicle_crop_jpeg":"bm90IGEganBlZw=="})",
                    {"", "A1", "", {}, kNotJpeg, {}, 0},
                    {R"("overview_jpeg" is not valid base64)"}),
        Json("alert: plate_number, the rest from its group",
             R"({"data_type":"alpr_alert","epoch_time":1796697228123,"plate_number":"2BH375",
                 "group":{"data_type":"alpr_group","best_plate_number":"2BH37S",
                          "best_confidence":93.25,"epoch_start":1,
                          "best_plate":{"plate":"2BH37S","plate_crop_jpeg":"/9j/2//Z"},
                          "vehicle_crop_jpeg":"bm90IGEganBlZw==","overview_jpeg":"/9j/2Q=="}})",
             {"", "2BH375", "", kTime, kScene, kCloseup, 0.9325f}),
        Case{"empty picture part",
             {},
             {{"json", R"({"plate":"A1","scene_jpeg":"/9j/2Q=="})"}, {"scene", {}}},
             true,
             {"", "A1", "", {}, {}, {}, 0},
             nullptr,
             {R"(part "scene" is empty)"}}),
    RowName);

TEST(OpenAlprHeartbeat, IsNoPlateAndNoRefusalButNamesItsAgent) {
  for (const auto& [body, agent] :
       {std::pair{R"({"data_type":"heartbeat","agent_uid":"agent-7","agent_hostname":"h"})",
                  "agent-7"},
        {R"({"data_type":"heartbeat","agent_hostname":"gate-pc"})", "gate-pc"}}) {
    const MappedPlate mapped = PlateMapper().Map(
        {QStringLiteral("application/json"), body, {}, false, QStringLiteral("127.0.0.1")});
    EXPECT_FALSE(mapped.plate) << body;
    EXPECT_TRUE(mapped.error.isEmpty()) << mapped.error.toStdString();
    EXPECT_EQ(mapped.heartbeatFrom.toStdString(), agent);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Refused, PlateMappingTest,
    testing::Values(
        JsonRefused("", "body is empty"),
        JsonRefused("{", "body is not valid JSON: unterminated object at byte 1"),
        JsonRefused("[1]", "body is not a JSON object"),
        JsonRefused(
            "{}",
            R"(not a plate message: it has none of "plate", "data_type", "data" or "results")"),
        JsonRefused(R"({"camera":"10.0.0.7"})", R"("plate" is missing)"),
        JsonRefused(R"({"plate":""})", R"("plate" is empty)"),
        JsonRefused(R"({"plate":7})", R"("plate" is not a string)"),
        JsonRefused(R"({"plate":"A1","color":5})", R"("color" is not a string)"),
        JsonRefused(R"({"plate":"A1","time":"yesterday"})",
                    R"("time" is not an ISO 8601 date and time)"),
        JsonRefused(R"({"plate":"A1","confidence":"high"})", R"("confidence" is not a number)"),
        JsonRefused(R"({"plate":"A1","confidence":1.5})",
                    R"("confidence" 1.5 is not between 0 and 1)"),
        JsonRefused(R"({"data_type":"alpr_status"})",
                    R"("data_type" is none of alpr_group, alpr_results, alpr_alert or heartbeat)"),
        JsonRefused(R"({"data_type":"alpr_alert","group":{"best_plate_number":"A1"}})",
                    R"("plate_number" is missing)"),
        JsonRefused(R"({"data_type":"alpr_group"})", R"("best_plate.plate" is missing)"),
        JsonRefused(R"({"data_type":"alpr_group","best_plate":"A1"})",
                    R"("best_plate" is not an object)"),
        JsonRefused(R"({"data_type":"alpr_group","best_plate_number":"A1","best_confidence":120})",
                    R"("best_confidence" 120 is not between 0 and 100)"),
        JsonRefused(R"({"data_type":"alpr_group","best_plate_number":"A1","epoch_start":-1})",
                    R"("epoch_start" is not a time in seconds or milliseconds since 1970)"),
        JsonRefused(R"({"data_type":"alpr_results"})", R"("results" is missing)"),
        JsonRefused(R"({"data_type":"alpr_results","results":{}})", R"("results" is not an array)"),
        JsonRefused(R"({"data_type":"alpr_results","results":[]})", R"("results" holds no plate)"),
        JsonRefused(R"({"data_type":"alpr_results","results":[{"plate":"A1"},"A2"]})",
                    R"("results[1]" is not an object)"),
        JsonRefused(R"({"data_type":"alpr_results","results":[{"plate":"A1"},{"confidence":9}]})",
                    R"("results[1].plate" is missing)"),
        JsonRefused(
            R"({"data_type":"alpr_results","results":[{"plate":"A1","confidence":"nine"}]})",
            R"("results[0].confidence" is not a number)"),
        JsonRefused(R"({"data_type":"alpr_results","results":[{"plate":"A1"}],"epoch_time":"now"})",
                    R"("epoch_time" is not a time in seconds or milliseconds since 1970)"),
        JsonRefused(R"({"hook":{"event":"recognition"}})", R"("data" is missing)"),
        JsonRefused(R"({"data":[]})", R"("data" is not an object)"),
        JsonRefused(R"({"data":{"results":[{"plate":"abc123","score":2}]}})",
                    R"("data.results[0].score" 2 is not between 0 and 1)"),
        JsonRefused(R"({"data":{"camera_id":7,"results":[{"plate":"abc123"}]}})",
                    R"("data.camera_id" is not a string)"),
        JsonRefused(R"({"data":{"timestamp":"today","results":[{"plate":"abc123"}]}})",
                    R"("data.timestamp" is not an ISO 8601 date and time)"),
        Case{
            "no json part",
            {},
            {{"upload", kScene}},
            true,
            {},
            R"(multipart body has no "json" part, no ANPR alarm and no part a mapping file names)"},
        MultipartRefused(R"({"plate":)",
                         R"("json" part is not valid JSON: unterminated object at byte 9)"),
        MultipartRefused("[]", R"("json" part is not a JSON object)"),
        MultipartRefused(R"({"plate":""})", R"("plate" is empty)"),
        MultipartRefused(R"({"data_type":"alpr_group","best_plate_number":"A1"})",
                         "OpenALPR messages are taken as JSON bodies, not multipart"),
        MultipartRefused(R"({"hook":{}})", R"("data" is missing)")));

TEST(PlateRecognizerCamera, OnlyADottedIpv4AddressNamesTheCamera) {
  for (const auto& [id, camera] : {std::pair{"10.0.0.7", "10.0.0.7"},
                                   {"0.0.0.0", "0.0.0.0"},
                                   {"255.255.255.255", "255.255.255.255"},
                                   {"lane-1", ""},
                                   {"10.0.0.256", ""},
                                   {"10.0.0.07", ""},
                                   {"10.0.0", ""},
                                   {"10.0.0.7.", ""},
                                   {"10.0.0.+7", ""},
                                   {"١٠.0.0.7", ""}}) {
    const QByteArray body =
        QByteArray(R"({"data":{"camera_id":")") + id + R"(","results":[{"plate":"abc123"}]}})";
    const MappedPlate mapped = PlateMapper().Map(
        {QStringLiteral("application/json"), body, {}, false, QStringLiteral("127.0.0.1")});
    ASSERT_TRUE(mapped.plate) << id;
    EXPECT_EQ(mapped.plate->camera.toStdString(), camera) << id;
  }
}

}  // namespace
}  // namespace field
