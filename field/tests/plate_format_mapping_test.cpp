// Mapping files: what a valid one raises from a message, and the one line an
// invalid one is refused with.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "PlateMapping.h"
#include "plates/PlateFormatFiles.h"

namespace field {
namespace {

const QByteArray kCloseup("\xFF\xD8\xFF\xDB\xFF\xD9");  // /9j/2//Z
const QByteArray kScene("\xFF\xD8\xFF\xD9");            // /9j/2Q==

PlateFormatMapping MappingOf(const char* json, const char* file = "m.json") {
  QString error;
  const std::optional<PlateFormatMapping> mapping = ParsePlateFormatMapping(json, file, error);
  EXPECT_TRUE(mapping) << error.toStdString();
  return mapping.value_or(PlateFormatMapping{});
}

PlateRequest Json(const char* body) {
  return {QStringLiteral("application/json"), body, {}, false, QStringLiteral("127.0.0.1")};
}
PlateRequest Xml(const char* body) {
  return {QStringLiteral("application/xml"), body, {}, false, QStringLiteral("127.0.0.1")};
}
PlateRequest Multipart(QList<PlatePart> parts) {
  return {QStringLiteral("multipart/form-data; boundary=b"),
          {},
          std::move(parts),
          true,
          QStringLiteral("127.0.0.1")};
}

constexpr char kEastGate[] = R"({"name": "east gate pole cameras", "body": "json",
    "when": "/evt/kind", "equals": "plate",
    "plate": "/evt/veh/lp", "color": "/evt/veh/lpColor",
    "confidence": "/evt/veh/conf", "confidence_scale": 100, "camera": "/cam/ip",
    "time": {"path": "/evt/at", "format": "epoch-s"},
    "scene": {"base64": "/img/full"}, "closeup": {"base64": "/img/crop"}})";

struct RunCase {
  const char* name;
  std::vector<const char*> mappings;
  PlateRequest request;
  const char* format;  // the format expected to take the request
  PlateRecord want;
  QStringList notices = {};
  const char* error = nullptr;
};

class MappingFileTest : public testing::TestWithParam<RunCase> {};

TEST_P(MappingFileTest, RaisesWhatTheFileSays) {
  const RunCase& c = GetParam();
  std::vector<PlateFormatMapping> mappings;
  for (std::size_t i = 0; i < c.mappings.size(); ++i) {
    mappings.push_back(MappingOf(c.mappings[i], i == 0 ? "m.json" : "n.json"));
  }
  const MappedPlate mapped = PlateMapper(mappings).Map(c.request);
  EXPECT_EQ(mapped.notices, c.notices);
  if (c.error) {
    EXPECT_EQ(mapped.error.toStdString(), c.error);
    return;
  }
  ASSERT_TRUE(mapped.plate) << mapped.error.toStdString();
  EXPECT_EQ(mapped.format.toStdString(), c.format);
  EXPECT_EQ(mapped.plate->plate.toStdString(), c.want.plate.toStdString());
  EXPECT_EQ(mapped.plate->camera.toStdString(), c.want.camera.toStdString());
  EXPECT_EQ(mapped.plate->color.toStdString(), c.want.color.toStdString());
  EXPECT_FLOAT_EQ(mapped.plate->confidence, c.want.confidence);
  EXPECT_EQ(mapped.plate->time.toUTC().toString(Qt::ISODateWithMs).toStdString(),
            c.want.time.toUTC().toString(Qt::ISODateWithMs).toStdString());
  EXPECT_EQ(mapped.plate->sceneJpeg.toHex().toStdString(), c.want.sceneJpeg.toHex().toStdString());
  EXPECT_EQ(mapped.plate->closeupJpeg.toHex().toStdString(),
            c.want.closeupJpeg.toHex().toStdString());
}

// 2026-12-08T02:33:48Z = 1796697228 s since 1970.
const QDateTime kTime(QDate(2026, 12, 8), QTime(2, 33, 48), Qt::UTC);

INSTANTIATE_TEST_SUITE_P(
    Files, MappingFileTest,
    testing::Values(
        RunCase{"the_worked_example",
                {kEastGate},
                Json(R"({"evt":{"kind":"plate","at":"1796697228",
                         "veh":{"lp":"粤B12345","lpColor":"蓝","conf":"87.5"}},
                         "cam":{"ip":"10.0.0.9"},"img":{"full":"/9j/2Q==","crop":"/9j/2//Z"}})"),
                "east gate pole cameras (m.json)",
                {"10.0.0.9", "粤B12345", "蓝", kTime, kScene, kCloseup, 0.875f}},
        RunCase{"equals_differs_the_built_in_format_takes_it",
                {kEastGate},
                Json(R"({"evt":{"kind":"heartbeat","veh":{"lp":"X"}},"plate":"粤B1"})"),
                "console JSON",
                {"", "粤B1", "", {}, {}, {}, 0}},
        RunCase{"mapping_files_before_the_built_in_formats",
                {R"({"name":"gate","body":"json","when":"/plate","plate":"/plate",
                     "camera":"/id"})"},
                Json(R"({"plate":"粤B1","id":1234})"),
                "gate (m.json)",
                {"1234", "粤B1", "", {}, {}, {}, 0}},
        RunCase{"the_first_matching_file_wins",
                {R"({"name":"first","body":"json","when":"/a","plate":"/a"})",
                 R"({"name":"second","body":"json","when":"/a","plate":"/b"})"},
                Json(R"({"a":"A1","b":"B2"})"),
                "first (m.json)",
                {"", "A1", "", {}, {}, {}, 0}},
        RunCase{"pointer_escapes_array_index_numeric_equals",
                {R"({"name":"p","body":"json","when":"/v","equals":3,
                     "plate":"/list/1/a~1b","color":"/m~0n"})"},
                Json(R"({"v":3,"list":[{"a/b":"no"},{"a/b":"粤C9"}],"m~n":"黄"})"),
                "p (m.json)",
                {"", "粤C9", "黄", {}, {}, {}, 0}},
        RunCase{"xml_local_names_and_an_attribute",
                {R"({"name":"x","body":"xml","when":"/Alarm/Car","plate":"/Alarm/Car/Plate",
                     "camera":"/Alarm/@id","confidence":"/Alarm/Car/Plate/@conf",
                     "time":{"path":"/Alarm/At","format":"iso8601"},
                     "closeup":{"base64":"/Alarm/Pic"}})"},
                Xml(R"(<n:Alarm xmlns:n="urn:example:x" id="cam-7"><n:Car>
                        <n:Plate conf="0.5"> 粤B1 </n:Plate></n:Car>
                        <n:At>2026-12-08T10:33:48+08:00</n:At><Pic>/9j/2//Z</Pic></n:Alarm>)"),
                "x (m.json)",
                {"cam-7", "粤B1", "", kTime, {}, kCloseup, 0.5f}},
        RunCase{"multipart_json_document_part_pictures",
                {R"({"name":"mp","body":"multipart","document_part":"meta","document":"json",
                     "when":"/lp","plate":"/lp","time":{"path":"/t","format":"epoch-ms"},
                     "scene":{"part":"full"},"closeup":{"part":"crop"}})"},
                Multipart({{QStringLiteral("meta"), {}, R"({"lp":"A1","t":1796697228000})"},
                           {QStringLiteral("full"), {}, kScene},
                           {QStringLiteral("crop"), {}, {}}}),
                "mp (m.json)",
                {"", "A1", "", kTime, kScene, {}, 0},
                {QStringLiteral(R"(part "crop" is empty)")}},
        RunCase{"multipart_xml_document_digits_time",
                {R"({"name":"mx","body":"multipart","document_part":"x","document":"xml",
                     "when":"/E/P","plate":"/E/P",
                     "time":{"path":"/E/T","format":"yyyyMMddHHmmss"}})"},
                Multipart({{QStringLiteral("x"), {}, "<E><P>A1</P><T>20261208 023348500</T></E>"}}),
                "mx (m.json)",
                {"",
                 "A1",
                 "",
                 QDateTime(QDate(2026, 12, 8), QTime(2, 33, 48, 500), Qt::LocalTime),
                 {},
                 {},
                 0}},
        RunCase{"placeholder_base64",
                {R"({"name":"b","body":"json","when":"/p","plate":"/p","scene":{"base64":"/s"}})"},
                Json(R"({"p":"A1","s":"[no picture]"})"),
                "b (m.json)",
                {"", "A1", "", {}, {}, {}, 0},
                {QStringLiteral(R"("/s" is not valid base64)")}},
        RunCase{"a_matched_file_refuses_a_message_without_a_plate",
                {kEastGate},
                Json(R"({"evt":{"kind":"plate","veh":{}}})"),
                "",
                {},
                {},
                R"("/evt/veh/lp" is missing)"},
        RunCase{"a_matched_file_refuses_a_bad_confidence",
                {kEastGate},
                Json(R"({"evt":{"kind":"plate","veh":{"lp":"A1","conf":120}}})"),
                "",
                {},
                {},
                R"("/evt/veh/conf" 120 is not between 0 and 100)"}),
    [](const auto& info) { return std::string(info.param.name); });

struct FetchRecord {
  QList<QUrl> asked;
  PictureFetcher Fetcher(FetchedPicture answer) {
    return [this, answer](const QUrl& url) {
      asked << url;
      return answer;
    };
  }
};

constexpr char kUrlMapping[] =
    R"({"name":"u","body":"json","when":"/p","plate":"/p","scene":{"url":"/u"}})";

TEST(MappingFileUrl, IsFetchedOnlyFromTheSender) {
  const PlateMapper mapper({MappingOf(kUrlMapping)});
  const struct {
    const char* url;
    const char* fetched;  // nullptr: not fetched
    const char* notice;
  } cases[] = {
      {"http://127.0.0.1:8080/snap/1.jpg", "http://127.0.0.1:8080/snap/1.jpg", nullptr},
      {"/snap/1.jpg?lane=2", "http://127.0.0.1/snap/1.jpg?lane=2", nullptr},
      {"snap/1.jpg", "http://127.0.0.1/snap/1.jpg", nullptr},
      {"http://127.0.0.2:8080/snap/1.jpg", nullptr,
       R"("/u" http://127.0.0.2:8080/snap/1.jpg is not on the sender 127.0.0.1: not fetched)"},
      {"http://localhost/snap/1.jpg", nullptr,
       R"("/u" http://localhost/snap/1.jpg is not on the sender 127.0.0.1: not fetched)"},
      {"//127.0.0.2/snap/1.jpg", nullptr,
       R"("/u" http://127.0.0.2/snap/1.jpg is not on the sender 127.0.0.1: not fetched)"},
      {"file:///etc/passwd", nullptr, R"("/u" file:///etc/passwd is not an http:// URL)"},
  };
  for (const auto& c : cases) {
    FetchRecord record;
    const QByteArray body = QByteArray(R"({"p":"A1","u":")") + c.url + "\"}";
    const MappedPlate mapped = mapper.Map(Json(body.constData()), record.Fetcher({kScene, {}}));
    ASSERT_TRUE(mapped.plate) << c.url;
    if (c.fetched) {
      ASSERT_EQ(record.asked.size(), 1) << c.url;
      EXPECT_EQ(record.asked[0].toString().toStdString(), c.fetched);
      EXPECT_EQ(mapped.plate->sceneJpeg, kScene);
      EXPECT_TRUE(mapped.notices.isEmpty()) << mapped.notices.join(u'|').toStdString();
    } else {
      EXPECT_TRUE(record.asked.isEmpty()) << c.url;
      EXPECT_TRUE(mapped.plate->sceneJpeg.isEmpty());
      EXPECT_EQ(mapped.notices, QStringList{QString::fromUtf8(c.notice)});
    }
  }
}

TEST(MappingFileUrl, AFailedFetchCostsOnlyThePicture) {
  FetchRecord record;
  const MappedPlate mapped = PlateMapper({MappingOf(kUrlMapping)})
                                 .Map(Json(R"({"p":"A1","u":"/1.jpg"})"),
                                      record.Fetcher({{}, QStringLiteral("answered 404")}));
  ASSERT_TRUE(mapped.plate);
  EXPECT_EQ(mapped.notices, QStringList{R"("/u" http://127.0.0.1/1.jpg: answered 404)"});
}

struct InvalidCase {
  const char* name;
  const char* json;
  const char* error;
};

class InvalidMappingFileTest : public testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidMappingFileTest, IsRefusedWithOneLineNamingFileAndField) {
  QString error;
  EXPECT_FALSE(ParsePlateFormatMapping(GetParam().json, QStringLiteral("gate.json"), error));
  EXPECT_EQ(error.toStdString(), GetParam().error);
}

#define BASE R"("name":"g","body":"json","when":"/a","plate":"/p")"

INSTANTIATE_TEST_SUITE_P(
    Files, InvalidMappingFileTest,
    testing::Values(
        InvalidCase{"not_json", "{", "gate.json: not valid JSON: unterminated object at byte 1"},
        InvalidCase{"not_an_object", "[]", "gate.json: not a JSON object"},
        InvalidCase{"unknown_field", "{" BASE R"(,"plates":"/p"})",
                    R"(gate.json: "plates" is not a field of a mapping file)"},
        InvalidCase{"no_name", R"({"body":"json","when":"/a","plate":"/p"})",
                    R"(gate.json: "name" is missing)"},
        InvalidCase{"name_not_a_string", R"({"name":5,"body":"json","when":"/a","plate":"/p"})",
                    R"(gate.json: "name" is not a string)"},
        InvalidCase{"bad_body", R"({"name":"g","body":"yaml","when":"/a","plate":"/p"})",
                    R"(gate.json: "body" is "yaml", not one of json, xml, multipart)"},
        InvalidCase{"no_when", R"({"name":"g","body":"json","plate":"/p"})",
                    R"(gate.json: "when" is missing)"},
        InvalidCase{"no_plate", R"({"name":"g","body":"json","when":"/a"})",
                    R"(gate.json: "plate" is missing)"},
        InvalidCase{"pointer_without_slash",
                    R"({"name":"g","body":"json","when":"/a","plate":"p/x"})",
                    R"(gate.json: "plate" "p/x" is not a JSON Pointer such as /plate/text)"},
        InvalidCase{"pointer_bad_escape", "{" BASE R"(,"color":"/c~2"})",
                    R"(gate.json: "color" "/c~2" is not a JSON Pointer such as /plate/text)"},
        InvalidCase{
            "xml_attribute_not_last", R"({"name":"g","body":"xml","when":"/A","plate":"/A/@id/B"})",
            R"(gate.json: "plate" "/A/@id/B" is not a path of element names such as /Alarm/Plate or /Alarm/@id)"},
        InvalidCase{
            "xml_prefix", R"({"name":"g","body":"xml","when":"/A","plate":"/a:A/P"})",
            R"(gate.json: "plate" "/a:A/P" is not a path of element names such as /Alarm/Plate or /Alarm/@id)"},
        InvalidCase{"multipart_without_part",
                    R"({"name":"g","body":"multipart","document":"json","when":"/a","plate":"/p"})",
                    R"(gate.json: "document_part" is missing)"},
        InvalidCase{
            "multipart_bad_document",
            R"({"name":"g","body":"multipart","document_part":"e","document":"csv","when":"/a","plate":"/p"})",
            R"(gate.json: "document" is "csv", not one of json, xml)"},
        InvalidCase{"document_part_on_json", "{" BASE R"(,"document_part":"e"})",
                    R"(gate.json: "document_part" is only for a multipart body)"},
        InvalidCase{"equals_an_array", "{" BASE R"(,"equals":[1]})",
                    R"(gate.json: "equals" is not a string, number or true/false)"},
        InvalidCase{"scale_zero", "{" BASE R"(,"confidence_scale":0})",
                    R"(gate.json: "confidence_scale" is not a number above 0)"},
        InvalidCase{"two_picture_kinds", "{" BASE R"(,"scene":{"base64":"/s","url":"/u"}})",
                    R"(gate.json: "scene" holds not exactly one of base64, part or url)"},
        InvalidCase{"unknown_picture_kind", "{" BASE R"(,"closeup":{"file":"/s"}})",
                    R"(gate.json: "closeup.file" is not base64, part or url)"},
        InvalidCase{"part_without_multipart", "{" BASE R"(,"scene":{"part":"img"}})",
                    R"(gate.json: "scene.part" is only for a multipart body)"},
        InvalidCase{"picture_path_bad", "{" BASE R"(,"scene":{"url":"u"}})",
                    R"(gate.json: "scene.url" "u" is not a JSON Pointer such as /plate/text)"},
        InvalidCase{
            "time_format_unknown", "{" BASE R"(,"time":{"path":"/t","format":"unix"}})",
            R"(gate.json: "time.format" is "unix", not one of iso8601, epoch-s, epoch-ms, yyyyMMddHHmmss)"},
        InvalidCase{"time_without_format", "{" BASE R"(,"time":{"path":"/t"}})",
                    R"(gate.json: "time.format" is missing)"},
        // A control character in a quoted value must not break the line.
        InvalidCase{
            "time_format_with_carriage_return",
            "{" BASE R"(,"time":{"path":"/t","format":"yyyyMMddHHmms\r"}})",
            R"(gate.json: "time.format" is "yyyyMMddHHmms\r", not one of iso8601, epoch-s, epoch-ms, yyyyMMddHHmmss)"}),
    [](const auto& info) { return std::string(info.param.name); });

#undef BASE

TEST(PlateFormatFiles, LoadsInOrderAndNamesAFileThatCannotBeRead) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString first = dir.filePath(QStringLiteral("b.json"));
  const QString second = dir.filePath(QStringLiteral("a.json"));
  for (const auto& [file, name] : {std::pair{first, "first"}, {second, "second"}}) {
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QStringLiteral(R"({"name":"%1","body":"json","when":"/a","plate":"/a"})")
                  .arg(QLatin1String(name))
                  .toUtf8());
  }
  QString error;
  const auto mappings = LoadPlateFormatFiles({first, second}, error);
  ASSERT_TRUE(mappings) << error.toStdString();
  ASSERT_EQ(mappings->size(), 2u);
  EXPECT_EQ((*mappings)[0].name, QStringLiteral("first"));
  EXPECT_EQ((*mappings)[1].file, second);

  const QString missing = dir.filePath(QStringLiteral("missing.json"));
  EXPECT_FALSE(LoadPlateFormatFiles({first, missing}, error));
  EXPECT_TRUE(error.startsWith(missing + QStringLiteral(": cannot be read: ")))
      << error.toStdString();
  EXPECT_FALSE(error.contains(u'\n'));
}

// The camera plate app ships as two mapping files: its one picture is the
// close-up or the scene as the event says.
TEST(ShippedPlateFormats, TakeTheCameraPlateAppsPush) {
  QString error;
  const auto shipped = LoadPlateFormatFiles(ShippedPlateFormatFiles(), error);
  ASSERT_TRUE(shipped) << error.toStdString();
  const PlateMapper mapper(*shipped);
  for (const auto& [imageType, closeup] : {std::pair{"plate", true}, {"vehicle", false}}) {
    const QByteArray event = QByteArray(R"({"plateUTF8":"rle11684","plateConfidence":"0.72",
        "capture_timestamp":"1796697228000","imageType":")") +
                             imageType + R"(","camera_info":{"SerialNumber":"ACCC00000000"}})";
    const MappedPlate mapped = mapper.Map(
        Multipart({{QStringLiteral("event"), {}, event}, {QStringLiteral("image"), {}, kScene}}));
    ASSERT_TRUE(mapped.plate) << mapped.error.toStdString();
    EXPECT_EQ(mapped.plate->plate, QStringLiteral("rle11684"));
    EXPECT_TRUE(mapped.plate->camera.isEmpty()) << "a serial number is no address";
    EXPECT_FLOAT_EQ(mapped.plate->confidence, 0.72f);
    EXPECT_EQ(mapped.plate->time, kTime);
    EXPECT_EQ(mapped.plate->closeupJpeg, closeup ? kScene : QByteArray());
    EXPECT_EQ(mapped.plate->sceneJpeg, closeup ? QByteArray() : kScene);
  }
}

}  // namespace
}  // namespace field
