// `lanectl plate` on captured messages written to a temporary folder.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <sstream>

#include "LaneCtl.h"
#include "PlateCheck.h"

namespace {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

class LaneCtlPlateTest : public testing::Test {
 protected:
  std::string Write(const char* name, const QByteArray& bytes) {
    const QString path = dir_.filePath(QString::fromUtf8(name));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path.toStdString();
  }

  static ToolRun Run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunLaneCtl(args, out, err, {}, lanectl::CheckPlate);
    return {status, out.str(), err.str()};
  }

  static QByteArray Jpeg(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
  }

 private:
  QTemporaryDir dir_;
};

TEST_F(LaneCtlPlateTest, PrintsWhatTheConsoleRaises) {
  const QByteArray scene = Jpeg(64, 32);
  const std::string body =
      Write("group.json", R"({"data_type":"alpr_group","best_plate_number":"D2651BF",
          "best_confidence":87.5,"epoch_start":1796697228123,
          "vehicle_crop_jpeg":")" +
                              scene.toBase64() +
                              R"(","best_plate":{"plate":"D2651BF","plate_crop_jpeg":"..."}})");

  const ToolRun run = Run({"plate", body});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "format      OpenALPR alpr_group\n"
            "plate       D2651BF\n"
            "color       -\n"
            "confidence  0.875\n"
            "camera      the sender's address\n"
            "time        2026-12-08T02:33:48.123Z\n"
            "scene       " +
                std::to_string(scene.size()) +
                " bytes, 64x32 JPEG\n"
                "closeup     none\n"
                "notice      \"best_plate.plate_crop_jpeg\" is not valid base64\n");
  EXPECT_TRUE(run.err.empty());
}

TEST_F(LaneCtlPlateTest, AMappingFileIsTriedFirstOnAMultipartCapture) {
  const std::string map = Write("gate.json", R"({"name":"gate","body":"multipart",
      "document_part":"meta","document":"xml","when":"/Car/Lp","plate":"/Car/Lp",
      "color":"/Car/Lp/@color","confidence":"/Car/Conf","confidence_scale":100,
      "camera":"/Car/@ip","closeup":{"part":"crop"},"scene":{"url":"/Car/Full"}})");
  const QByteArray crop("not a jpeg");
  const std::string body = Write(
      "capture.bin",
      "--xYz\r\nContent-Disposition: form-data; name=\"meta\"\r\nContent-Type: text/xml\r\n\r\n"
      "<Car ip=\"10.0.0.9\"><Lp color=\"blue\">粤B12345</Lp><Conf>91</Conf>"
      "<Full>/snap/1.jpg</Full></Car>\r\n"
      "--xYz\r\nContent-Disposition: form-data; name=\"crop\"; filename=\"c.jpg\"\r\n\r\n" +
          crop + "\r\n--xYz--\r\n");

  const ToolRun run =
      Run({"plate", "--map", map, "--content-type", "multipart/form-data; boundary=xYz", body});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "format      gate (" + map +
                ")\n"
                "plate       粤B12345\n"
                "color       blue\n"
                "confidence  0.91\n"
                "camera      10.0.0.9\n"
                "time        -\n"
                "scene       none\n"
                "closeup     10 bytes, not a JPEG picture (shown as a damaged one)\n"
                "notice      \"/Car/Full\" http://127.0.0.1/snap/1.jpg: not fetched by lanectl\n");
}

TEST_F(LaneCtlPlateTest, ARefusedMessageGivesThe400ReasonAndStatusOne) {
  const ToolRun run = Run({"plate", Write("empty.json", R"({"data_type":"alpr_group"})")});

  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "400 \"best_plate.plate\" is missing\n");
}

TEST_F(LaneCtlPlateTest, BadInputIsOneLineAndStatusTwo) {
  const std::string body = Write("plate.json", R"({"plate":"A1"})");
  const std::string badMap = Write("bad.json", R"({"name":"x","body":"json","plate":"/p"})");
  const std::string noType = Write("capture.bin", "{}");
  for (const auto& [args, error] :
       {std::pair{std::vector<std::string>{"plate", "--map", badMap, body},
                  "lanectl: --map: " + badMap + ": \"when\" is missing\n"},
        {{"plate", noType},
         "lanectl: " + noType +
             ": say its --content-type (application/json, application/xml or "
             "multipart/form-data; boundary=...)\n"}}) {
    const ToolRun run = Run(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, error);
    EXPECT_TRUE(run.out.empty());
  }
}

}  // namespace
