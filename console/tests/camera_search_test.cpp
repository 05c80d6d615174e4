// The camera-address field's search: with a finder that records what it is
// asked, and with the real one against lanesim's responder, unicast to
// 127.0.0.1 only (the multicast part is turned off through the seam).
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "CameraSearch.h"
#include "ConsoleTestFixture.h"
#include "DiscoveryResponder.h"
#include "WsDiscoveryFinder.h"

namespace {

constexpr int kPatienceMs = 10000;

class RecordingFinder : public camera::CameraFinder {
 public:
  void Search(const QString& typedAddress) override { searches.push_back(typedAddress); }
  std::vector<QString> searches;
};

class CameraSearchTest : public ::testing::Test {
 protected:
  void SetUp() override { window = MakeWindow(finder); }

  std::unique_ptr<TfmVideoStream> MakeWindow(camera::CameraFinder& cameraFinder) {
    ConsoleSeams seams;
    seams.sdkBackend = &sdk;
    seams.videoBackend = &video;
    seams.pause = [](int) {};
    seams.messageBoxes = &boxes;
    seams.pictureDirectory = pictures.path();
    seams.cameraFinder = &cameraFinder;
    return std::make_unique<TfmVideoStream>(seams);
  }

  CameraSearch& Search() const { return *window->findChild<CameraSearch*>(); }

  QStringList Rows() const {
    QStringList rows;
    const QAbstractItemModel* model = Search().List()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      rows << model->index(row, 0).data().toString();
    }
    return rows;
  }

  camera::testing::RecordingSdkBackend sdk;
  camera::testing::RecordingVideoBackend video;
  RecordingMessageBoxes boxes;
  QTemporaryDir pictures;
  RecordingFinder finder;
  std::unique_ptr<TfmVideoStream> window;
};

TEST_F(CameraSearchTest, SitsInsideTheFieldWhichKeepsItsPlace) {
  const QList<QAction*> actions = window->edtCameraIP->actions();
  ASSERT_EQ(actions.size(), 1);
  EXPECT_EQ(actions[0], Search().Action());
  EXPECT_EQ(actions[0]->shortcut(), QKeySequence(Qt::Key_F3));
  EXPECT_EQ(window->edtCameraIP->geometry(), QRect(71, 16, 121, 22));
  EXPECT_FALSE(Search().isVisible());
}

TEST_F(CameraSearchTest, NothingIsSearchedUntilAsked) {
  window->show();
  window->BitBtn1->click();
  window->BitBtn4->click();
  EXPECT_TRUE(finder.searches.empty());
}

TEST_F(CameraSearchTest, F3InTheFieldSearchesFromTheTypedAddress) {
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  window->edtCameraIP->setText(QStringLiteral("127.0.0.1"));
  window->edtCameraIP->setFocus();
  QTest::keyClick(window->edtCameraIP, Qt::Key_F3);

  EXPECT_EQ(finder.searches, std::vector<QString>{"127.0.0.1"});
  EXPECT_TRUE(Search().isVisible());
  EXPECT_EQ(Search().State()->text(), "正在搜索摄像机…");
}

TEST_F(CameraSearchTest, F3ElsewhereDoesNotSearch) {
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  window->edtSpaceCount->setFocus();
  QTest::keyClick(window->edtSpaceCount, Qt::Key_F3);
  EXPECT_TRUE(finder.searches.empty());
}

TEST_F(CameraSearchTest, ListsCamerasAsTheyAnswerAndChoosingFillsTheField) {
  Search().Action()->trigger();
  emit finder.Found({"127.0.0.5", "gate west", "Model 7", "http://127.0.0.5/onvif/device_service"});
  EXPECT_EQ(Rows(), QStringList{"127.0.0.5   gate west   Model 7"});
  EXPECT_EQ(Search().State()->text(), "已找到 1 台摄像机, 搜索中…");
  emit finder.Found({"127.0.0.6", "", "", ""});
  emit finder.Finished();
  EXPECT_EQ(Rows(), (QStringList{"127.0.0.5   gate west   Model 7", "127.0.0.6"}));
  EXPECT_EQ(Search().State()->text(), "找到 2 台摄像机");

  Search().List()->setCurrentIndex(Search().List()->model()->index(1, 0));
  Search().ChooseButton()->click();
  EXPECT_EQ(window->edtCameraIP->text(), "127.0.0.6");
  EXPECT_FALSE(Search().isVisible());
}

TEST_F(CameraSearchTest, NoAnswerSaysSoWithTheNotices) {
  Search().Action()->trigger();
  emit finder.Notice(QStringLiteral("没有可以搜索的网络"));
  emit finder.Finished();
  EXPECT_TRUE(Rows().isEmpty());
  EXPECT_FALSE(Search().ChooseButton()->isEnabled());
  EXPECT_EQ(Search().State()->text(), "没有摄像机应答 (没有可以搜索的网络)");
}

TEST_F(CameraSearchTest, SearchingAgainStartsAFreshList) {
  window->edtCameraIP->setText(QStringLiteral("127.0.0.9"));
  Search().Action()->trigger();
  emit finder.Found({"127.0.0.5", "a", "", ""});
  emit finder.Finished();
  Search().SearchAgainButton()->click();

  EXPECT_EQ(finder.searches, (std::vector<QString>{"127.0.0.9", "127.0.0.9"}));
  EXPECT_TRUE(Rows().isEmpty());
  EXPECT_FALSE(Search().SearchAgainButton()->isEnabled());
}

TEST_F(CameraSearchTest, CancellingLeavesTheField) {
  window->edtCameraIP->setText(QStringLiteral("127.0.0.9"));
  Search().Action()->trigger();
  emit finder.Found({"127.0.0.5", "a", "", ""});
  QTest::keyClick(&Search(), Qt::Key_Escape);
  EXPECT_EQ(window->edtCameraIP->text(), "127.0.0.9");
  EXPECT_FALSE(Search().isVisible());
}

// The real finder, its multicast part off, asking lanesim's responder on a
// port of its own at the typed 127.0.0.1.
TEST_F(CameraSearchTest, FindsLaneSimsResponderAtTheTypedAddress) {
  QString error;
  const auto responder = lanesim::DiscoveryResponder::Start(
      {0, false, QStringLiteral("http://127.0.0.1:8080/onvif/device_service")}, error);
  ASSERT_TRUE(responder) << error.toStdString();
  QSignalSpy answered(responder.get(), &lanesim::DiscoveryResponder::Note);
  field::onvif::WsDiscoveryFinder network(false, responder->Port());
  window = MakeWindow(network);
  window->show();
  window->BitBtn1->click();
  EXPECT_FALSE(answered.wait(300)) << "a probe before the search was asked for";

  window->edtCameraIP->setText(QStringLiteral("127.0.0.1"));
  Search().Action()->trigger();
  QSignalSpy finished(&network, &camera::CameraFinder::Finished);
  ASSERT_TRUE(finished.wait(kPatienceMs));
  EXPECT_EQ(Rows(), QStringList{"127.0.0.1   lanesim   Virtual Lane Camera"});
  EXPECT_EQ(Search().State()->text(), "找到 1 台摄像机");
  EXPECT_GE(answered.count(), 1);

  Search().List()->activated(Search().List()->model()->index(0, 0));
  EXPECT_EQ(window->edtCameraIP->text(), "127.0.0.1");
}

}  // namespace
