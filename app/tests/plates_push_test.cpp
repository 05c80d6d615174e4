// Plates pushed over HTTP (127.0.0.1) shown by the console as a camera's are.
#include <gtest/gtest.h>
#include <httplib.h>

#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "ConsoleTestFixture.h"
#include "FieldLaneConsole.h"
#include "PictureView.h"

namespace {

std::string JpegBase64(const QColor& colour, int width, int height) {
  return SolidJpeg(colour, width, height).toBase64().toStdString();
}

class PlatesPushTest : public testing::Test {
 protected:
  void SetUp() override {
    field::FieldLaneSettings lane;
    lane.plates = field::PlateListenSettings{};
    lane.plates->host = QStringLiteral("127.0.0.1");
    console = std::make_unique<FieldLaneConsole>(lane, boxes, folder.path(), QString(), [](int) {});
    console->window->edtCameraIP->setText(QStringLiteral("192.168.1.100"));
    console->window->BitBtn1->click();
  }

  int Post(const std::string& camera, const std::string& plate) {
    httplib::Client client("127.0.0.1", console->plates->Port());
    const std::string body = R"({"camera": ")" + camera + R"(", "plate": ")" + plate +
                             R"(", "scene_jpeg": ")" + JpegBase64(Qt::darkGreen, 640, 360) +
                             R"(", "closeup_jpeg": ")" + JpegBase64(Qt::blue, 160, 48) + "\"}";
    const auto answer = client.Post("/plates", body, "application/json");
    return answer ? answer->status : -1;
  }

  QTemporaryDir folder;
  RecordingMessageBoxes boxes;
  std::unique_ptr<FieldLaneConsole> console;
};

TEST_F(PlatesPushTest, APushedPlateIsShownWithBothPicturesAndTheirFiles) {
  ASSERT_EQ(Post("192.168.1.100", "粤B12345"), 200);

  TfmVideoStream& window = *console->window;
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.imgAll->HasPicture(); }, 20000));
  EXPECT_EQ(window.edtPlate->text(), QStringLiteral("粤B12345"));
  EXPECT_TRUE(window.imgPlate->HasPicture());
  EXPECT_EQ(QImage(folder.filePath(QStringLiteral("ParkAll.JPG"))).size(), QSize(640, 360));
  EXPECT_EQ(QImage(folder.filePath(QStringLiteral("ParkPlateIn.JPG"))).size(), QSize(160, 48));
  EXPECT_TRUE(window.windowTitle().contains(
      QStringLiteral("车牌 http://127.0.0.1:%1/plates").arg(console->plates->Port())));
  // A bare receiver has no line and no video: the video area says so, no box does.
  EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(PlatesPushTest, APlateFromAnotherCameraIsShownWithANotice) {
  ASSERT_EQ(Post("192.168.1.101", "粤B99999"), 200);

  TfmVideoStream& window = *console->window;
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.edtPlate->text() == QStringLiteral("粤B99999"); },
                              20000));
  const QStringList notices = window.memMessage->Lines().filter(QStringLiteral("192.168.1.101"));
  ASSERT_EQ(notices.size(), 1);
  EXPECT_TRUE(notices[0].contains(QStringLiteral("192.168.1.100")));
}

}  // namespace
