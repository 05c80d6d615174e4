// lanesim pushing its plates to the console over HTTP on 127.0.0.1.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

#include "ConsoleTestFixture.h"
#include "FieldLaneConsole.h"
#include "LaneSimProcess.h"
#include "PictureView.h"

namespace {

using lanesim::testing::LaneSimProcess;

struct PushCase {
  const char* format;
  bool closeup;  // the format carries a close-up
};

class LaneSimPushTest : public testing::TestWithParam<PushCase> {};

TEST_P(LaneSimPushTest, ACarsPlateAppearsWithItsPictures) {
  QTemporaryDir folder;
  RecordingMessageBoxes boxes;
  field::FieldLaneSettings lane;
  lane.plates = field::PlateListenSettings{};
  lane.plates->host = QStringLiteral("127.0.0.1");
  FieldLaneConsole console(lane, boxes, folder.path(), QString(), [](int) {});
  TfmVideoStream& window = *console.window;
  window.edtCameraIP->setText(QStringLiteral("127.0.0.1"));
  window.BitBtn1->click();
  LaneSimProcess lanesim({"--push",
                          QStringLiteral("http://127.0.0.1:%1/plates").arg(console.plates->Port()),
                          "--push-format", QString::fromLatin1(GetParam().format)});
  ASSERT_TRUE(lanesim.Started());

  ::kill(static_cast<pid_t>(lanesim.Process().processId()), SIGUSR1);

  ASSERT_TRUE(QTest::qWaitFor([&] { return window.imgAll->HasPicture(); }, 20000))
      << lanesim.Lines().join('\n').toStdString();
  EXPECT_FALSE(window.edtPlate->text().isEmpty());
  EXPECT_EQ(window.imgPlate->HasPicture(), GetParam().closeup);
  EXPECT_TRUE(lanesim.WaitForLineStarting(QStringLiteral("lanesim: pushed ")));
  EXPECT_TRUE(lanesim.Lines().last().endsWith(QStringLiteral(": 200")))
      << lanesim.Lines().last().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Formats, LaneSimPushTest,
                         testing::Values(PushCase{"console", true}, PushCase{"openalpr", true},
                                         PushCase{"platerecognizer", false}),
                         [](const auto& info) { return std::string(info.param.format); });

}  // namespace
