// The lane camera's XML ANPR alarm, in each namespace and part layout cameras use.
#include <gtest/gtest.h>

#include <QString>

#include "PlateMapping.h"

namespace field {
namespace {

const QByteArray kCloseup("\xFF\xD8\xFF\xDB\xFF\xD9");
const QByteArray kScene("\xFF\xD8\xFF\xD9");

// {ns} stands for the root's namespace declaration, {p} for the element prefix.
QByteArray Alarm(const char* ns, const char* prefix, const char* pictures) {
  QString xml = QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<{p}EventNotificationAlert version="2.0" {ns}>
  <{p}ipAddress>10.0.0.7</{p}ipAddress>
  <{p}dateTime>2026-12-08T10:33:48+08:00</{p}dateTime>
  <{p}eventType>ANPR</{p}eventType>
  <{p}ANPR>
    <{p}licensePlate>粤B12345</{p}licensePlate>
    <{p}confidenceLevel>97</{p}confidenceLevel>
    <{p}plateColor>blue</{p}plateColor>
    {pictures}
  </{p}ANPR>
</{p}EventNotificationAlert>)");
  xml.replace(QLatin1String("{pictures}"), QString::fromUtf8(pictures))
      .replace(QLatin1String("{ns}"), QString::fromUtf8(ns))
      .replace(QLatin1String("{p}"), QString::fromUtf8(prefix));
  return xml.toUtf8();
}

constexpr char kIsapi[] = R"(xmlns="http://www.isapi.org/ver20/XMLSchema")";
constexpr char kPrefixed[] = R"(xmlns:a="urn:example:alarm")";
constexpr char kNamedPictures[] = R"(<{p}pictureInfoList>
      <{p}pictureInfo><{p}fileName>plate-7.jpg</{p}fileName><{p}type>licensePlatePicture</{p}type></{p}pictureInfo>
      <{p}pictureInfo><{p}fileName>scene-7.jpg</{p}fileName><{p}type>detectionPicture</{p}type></{p}pictureInfo>
    </{p}pictureInfoList>)";

struct AlarmCase {
  const char* name;
  QList<PlatePart> parts;  // none: the XML alone is the body
  QByteArray body;
  QByteArray scene;
  QByteArray closeup;
  QStringList notices;
};

class AnprAlarmTest : public testing::TestWithParam<AlarmCase> {};

TEST_P(AnprAlarmTest, RaisesThePlateWithWhatPicturesItCarries) {
  const AlarmCase& c = GetParam();
  PlateRequest request;
  request.multipart = !c.parts.isEmpty();
  request.contentType = request.multipart ? QStringLiteral("multipart/form-data; boundary=b")
                                          : QStringLiteral("application/xml");
  request.body = c.body;
  request.parts = c.parts;
  request.sender = QStringLiteral("127.0.0.1");

  const MappedPlate mapped = PlateMapper().Map(request);

  ASSERT_TRUE(mapped.plate) << mapped.error.toStdString();
  EXPECT_EQ(mapped.format.toStdString(), "camera ANPR alarm");
  EXPECT_EQ(mapped.plate->plate.toStdString(), "粤B12345");
  EXPECT_EQ(mapped.plate->camera.toStdString(), "10.0.0.7");
  EXPECT_EQ(mapped.plate->color.toStdString(), "blue");
  EXPECT_FLOAT_EQ(mapped.plate->confidence, 0.97f);
  EXPECT_EQ(mapped.plate->time.toUTC(), QDateTime(QDate(2026, 12, 8), QTime(2, 33, 48), Qt::UTC));
  EXPECT_EQ(mapped.plate->sceneJpeg.toHex().toStdString(), c.scene.toHex().toStdString());
  EXPECT_EQ(mapped.plate->closeupJpeg.toHex().toStdString(), c.closeup.toHex().toStdString());
  EXPECT_EQ(mapped.notices, c.notices);
}

const QString kXmlType = QStringLiteral("text/xml");
const QString kJpegType = QStringLiteral("image/jpeg");

INSTANTIATE_TEST_SUITE_P(
    Layouts, AnprAlarmTest,
    testing::Values(AlarmCase{"isapi_namespace_usual_names",
                              {{QStringLiteral("anpr.xml"), kXmlType, Alarm(kIsapi, "", "")},
                               {QStringLiteral("detectionPicture.jpg"), kJpegType, kScene},
                               {QStringLiteral("licensePlatePicture.jpg"), kJpegType, kCloseup}},
                              {},
                              kScene,
                              kCloseup,
                              {}},
                    AlarmCase{"prefixed_namespace_names_from_the_alarm_xml_in_another_part",
                              {{QStringLiteral("alarm"), QStringLiteral("application/xml"),
                                Alarm(kPrefixed, "a:", kNamedPictures)},
                               {QStringLiteral("licensePlatePicture.jpg"), kJpegType, kScene},
                               {QStringLiteral("plate-7.jpg"), kJpegType, kCloseup},
                               {QStringLiteral("scene-7.jpg"), kJpegType, kScene}},
                              {},
                              kScene,
                              kCloseup,
                              {}},
                    AlarmCase{"no_namespace_empty_scene_part",
                              {{QStringLiteral("anpr.xml"), kXmlType, Alarm("", "", "")},
                               {QStringLiteral("detectionPicture.jpg"), kJpegType, {}},
                               {QStringLiteral("licensePlatePicture.jpg"), kJpegType, kCloseup}},
                              {},
                              {},
                              kCloseup,
                              {QStringLiteral(R"(part "detectionPicture.jpg" is empty)")}},
                    AlarmCase{
                        "pictures_missing",
                        {{QStringLiteral("anpr.xml"), kXmlType, Alarm(kIsapi, "", kNamedPictures)}},
                        {},
                        {},
                        {},
                        {}},
                    AlarmCase{"xml_alone", {}, Alarm(kIsapi, "", ""), {}, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AnprAlarm, RefusesOnlyWhatThePlateNeeds) {
  const auto refusal = [](QByteArray xml, bool multipart) {
    PlateRequest request;
    request.multipart = multipart;
    request.contentType = multipart ? QStringLiteral("multipart/form-data; boundary=b")
                                    : QStringLiteral("text/xml; charset=utf-8");
    if (multipart) {
      request.parts = {{QStringLiteral("anpr.xml"), kXmlType, xml}};
    } else {
      request.body = xml;
    }
    return PlateMapper().Map(request).error.toStdString();
  };
  QByteArray noPlate = Alarm(kIsapi, "", "");
  noPlate.replace("<licensePlate>粤B12345</licensePlate>", "");
  EXPECT_EQ(refusal(noPlate, true), R"("EventNotificationAlert/ANPR/licensePlate" is missing)");
  EXPECT_EQ(
      refusal("<EventNotificationAlert><eventType>VMD</eventType></EventNotificationAlert>", false),
      "XML body is no ANPR alarm (EventNotificationAlert with ANPR)");
  EXPECT_EQ(
      refusal("<EventNotificationAlert><ANPR>", true).rfind("the XML part is not well-formed: ", 0),
      0u);
  EXPECT_EQ(refusal("<EventNotificationAlert", false).rfind("body is not well-formed XML: ", 0),
            0u);
  // A sender nesting elements deeper than any alarm would overflow the DOM's recursion.
  const QByteArray deep = QByteArray("<a>").repeated(300000);
  EXPECT_NE(refusal(deep, false).find("nested deeper than 64"), std::string::npos);
  EXPECT_NE(refusal(deep + QByteArray("</a>").repeated(300000), true).find("nested deeper than 64"),
            std::string::npos);
}

}  // namespace
}  // namespace field
