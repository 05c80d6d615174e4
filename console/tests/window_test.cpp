#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include "ConsoleTestFixture.h"
#include "PictureView.h"
#include "RadioGroup.h"

namespace {

using WindowTest = ConsoleTest;

struct Placement {
  const char* name;
  QRect geometry;
};

class ControlPlacementTest : public ConsoleTest, public ::testing::WithParamInterface<Placement> {};

TEST_P(ControlPlacementTest, SitsWhereTheLayoutPutsIt) {
  const auto* control = window->findChild<QWidget*>(QString::fromLatin1(GetParam().name));
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->geometry(), GetParam().geometry);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, ControlPlacementTest,
    ::testing::Values(
        Placement{"Label2", {11, 19, 56, 14}}, Placement{"edtCameraIP", {71, 16, 121, 22}},
        Placement{"BitBtn1", {197, 14, 61, 25}}, Placement{"BitBtn4", {261, 14, 60, 25}},
        Placement{"BitBtn2", {410, 14, 72, 25}}, Placement{"BitBtn7", {489, 14, 70, 25}},
        Placement{"BitBtn6", {688, 8, 39, 25}}, Placement{"rgpSystemType", {8, 48, 305, 73}},
        Placement{"cmbxScreen", {161, 64, 56, 22}}, Placement{"cmbxVoice", {255, 64, 52, 22}},
        Placement{"cmbxControl", {162, 92, 55, 22}}, Placement{"edtSpaceCount", {255, 92, 49, 22}},
        Placement{"rgpVoiceType", {318, 48, 88, 73}}, Placement{"Button2", {410, 54, 72, 25}},
        Placement{"BitBtn5", {489, 52, 70, 25}}, Placement{"BitBtn3", {565, 52, 45, 25}},
        Placement{"Button3", {612, 52, 46, 25}}, Placement{"BitBtn8", {660, 52, 70, 25}},
        Placement{"Button1", {409, 86, 70, 25}}, Placement{"Button4", {489, 86, 70, 25}},
        Placement{"Button5", {564, 86, 70, 25}}, Placement{"chkReadCard", {660, 91, 53, 17}},
        Placement{"sdk1", {192, 80, 105, 104}}, Placement{"Panel1", {8, 8, 392, 229}},
        Placement{"Panel2", {406, 8, 313, 209}}, Placement{"Panel3", {406, 223, 313, 73}},
        Placement{"edtPlate", {9, 241, 392, 56}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowTest, CaptionsAreTheOperatorsWords) {
  const std::vector<std::pair<const char*, QString>> captions{
      {"Label2", "摄像机IP"},  {"BitBtn1", "连接"},     {"BitBtn4", "断开"},
      {"BitBtn2", "手动补拍"}, {"BitBtn7", "手动抓图"}, {"BitBtn6", "测试"},
      {"Button2", "语音1"},    {"BitBtn5", "语音2"},    {"BitBtn3", "开闸"},
      {"Button3", "关闸"},     {"BitBtn8", "读智能卡"}, {"Button1", "2行屏"},
      {"Button4", "4行屏"},    {"Button5", "数字屏"},   {"chkReadCard", "自动"}};
  for (const auto& [name, caption] : captions) {
    const auto* control = window->findChild<QWidget*>(QString::fromLatin1(name));
    ASSERT_NE(control, nullptr) << name;
    QString text;
    if (const auto* label = qobject_cast<const QLabel*>(control)) text = label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) text = button->text();
    EXPECT_EQ(text, caption) << name;
  }
  EXPECT_EQ(window->windowTitle(), QStringLiteral("车牌识别停车场调试程序"));
  EXPECT_EQ(window->rgpSystemType->title(), QStringLiteral("系统类型"));
  EXPECT_EQ(window->rgpVoiceType->title(), QStringLiteral("语音类型"));
}

TEST_F(WindowTest, WindowPlacementAndFace) {
  EXPECT_EQ(window->pos(), QPoint(531, 89));
  EXPECT_EQ(window->size(), QSize(749, 659));
  EXPECT_EQ(window->font().family(), QStringLiteral("宋体"));
  EXPECT_EQ(window->font().pixelSize(), 14);

  const QFont plateFont = window->edtPlate->font();
  EXPECT_EQ(plateFont.family(), QStringLiteral("黑体"));
  EXPECT_EQ(plateFont.pixelSize(), 48);
  EXPECT_TRUE(plateFont.bold());
  EXPECT_TRUE(window->edtPlate->isReadOnly());
  EXPECT_EQ(window->edtPlate->palette().color(QPalette::Base), QColor(Qt::blue));
  EXPECT_EQ(window->edtPlate->palette().color(QPalette::Text), QColor(Qt::white));
}

TEST_F(WindowTest, SelectorsStartOnTheirDefaults) {
  EXPECT_EQ(window->rgpSystemType->Items(),
            QStringList({"简易停车场--显示屏         语音", "标准停车场--控制器"}));
  EXPECT_EQ(window->rgpSystemType->ItemIndex(), 1);
  EXPECT_EQ(window->rgpVoiceType->Items(), QStringList({"电子语音", "真人语音"}));
  EXPECT_EQ(window->rgpVoiceType->ItemIndex(), 0);

  const auto items = [](const QComboBox* box) {
    QStringList texts;
    for (int index = 0; index < box->count(); ++index) texts << box->itemText(index);
    return texts;
  };
  EXPECT_EQ(items(window->cmbxScreen),
            QStringList({"1", "120", "122", "255", "254", "253", "252", "251", "250", "249", "248",
                         "247", "246", "245", "244", "243", "242", "241", "240"}));
  EXPECT_EQ(window->cmbxScreen->currentIndex(), -1);
  EXPECT_EQ(window->cmbxScreen->currentText(), QString());
  EXPECT_EQ(items(window->cmbxVoice),
            QStringList({"97", "98", "99", "100", "101", "102", "103", "104", "105", "106", "107",
                         "108", "109", "110"}));
  EXPECT_EQ(window->cmbxVoice->currentIndex(), 1);
  EXPECT_EQ(window->cmbxVoice->currentText(), QStringLiteral("98"));
  EXPECT_EQ(window->cmbxControl->count(), 16);
  EXPECT_EQ(window->cmbxControl->itemText(15), QStringLiteral("16"));
  EXPECT_EQ(window->cmbxControl->currentText(), QStringLiteral("1"));

  EXPECT_EQ(window->edtSpaceCount->text(), QStringLiteral("158"));
  EXPECT_FALSE(window->chkReadCard->isChecked());
  EXPECT_EQ(window->edtPlate->text(), QString());
  EXPECT_FALSE(window->imgAll->HasPicture());
  EXPECT_FALSE(window->imgPlate->HasPicture());
}

TEST_F(WindowTest, CameraAddressIsPrefilledWithAPrivateAddress) {
  const QStringList parts = window->edtCameraIP->text().split(QLatin1Char('.'));
  ASSERT_EQ(parts.size(), 4);
  std::vector<int> octets;
  for (const QString& part : parts) {
    bool number = false;
    octets.push_back(part.toInt(&number));
    ASSERT_TRUE(number && octets.back() >= 0 && octets.back() <= 255) << part.toStdString();
  }
  EXPECT_TRUE(octets[0] == 10 || (octets[0] == 172 && octets[1] >= 16 && octets[1] <= 31) ||
              (octets[0] == 192 && octets[1] == 168));
}

TEST_F(WindowTest, OnlyTheTestButtonIsHiddenAndTheTimerIsIdle) {
  window->show();
  EXPECT_FALSE(window->BitBtn6->isVisible());
  for (QWidget* shown :
       {static_cast<QWidget*>(window->BitBtn1), static_cast<QWidget*>(window->BitBtn8),
        static_cast<QWidget*>(window->chkReadCard), static_cast<QWidget*>(window->edtPlate)})
    EXPECT_TRUE(shown->isVisible()) << shown->objectName().toStdString();
  EXPECT_FALSE(window->tmReadCard->isActive());
  EXPECT_EQ(window->tmReadCard->interval(), 1000);
}

TEST_F(WindowTest, PanelsKeepTheirHeightsAndThePaneTakesTheRest) {
  window->show();
  for (const QSize size : {QSize(749, 659), QSize(1000, 900), QSize(760, 560)}) {
    window->resize(size);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(window->Panel4->geometry(), QRect(0, 0, size.width(), 127));
    EXPECT_EQ(window->Panel5->geometry(), QRect(0, 127, size.width(), 304));
    EXPECT_EQ(window->memMessage->geometry(), QRect(0, 431, size.width(), size.height() - 431));
  }
  EXPECT_EQ(window->memMessage->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(window->memMessage->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST_F(WindowTest, PictureViewsFillTheirPanels) {
  window->show();
  EXPECT_EQ(window->imgAll->parentWidget(), window->Panel2);
  EXPECT_EQ(window->imgAll->geometry(), window->Panel2->contentsRect());
  EXPECT_EQ(window->imgPlate->parentWidget(), window->Panel3);
  EXPECT_EQ(window->imgPlate->geometry(), window->Panel3->contentsRect());
  EXPECT_EQ(window->axclient1->parentWidget(), window->Panel1);
  EXPECT_EQ(window->axclient1->geometry(), window->Panel1->contentsRect());
}

TEST_F(WindowTest, TabVisitsTheControlsInCreationOrder) {
  const QList<QWidget*> expected{window->BitBtn1,       window->edtCameraIP, window->cmbxVoice,
                                 window->rgpSystemType, window->cmbxControl, window->cmbxScreen,
                                 window->BitBtn2,       window->BitBtn7,     window->BitBtn3,
                                 window->Button1,       window->Button2,     window->Button3,
                                 window->BitBtn4,       window->BitBtn5,     window->BitBtn6,
                                 window->chkReadCard,   window->BitBtn8,     window->rgpVoiceType,
                                 window->Button4,       window->Button5,     window->edtSpaceCount};
  const auto owner = [&](QWidget* widget) -> QWidget* {
    for (; widget != nullptr; widget = widget->parentWidget())
      if (expected.contains(widget)) return widget;
    return nullptr;
  };
  QList<QWidget*> visited;
  QWidget* widget = window->BitBtn1;
  do {
    QWidget* control = owner(widget);
    if (control != nullptr && !visited.contains(control)) visited << control;
    widget = widget->nextInFocusChain();
  } while (widget != window->BitBtn1);
  EXPECT_EQ(visited, expected);
}

TEST_F(WindowTest, ClosingWhileDisconnectedOnlyReleasesThePictureStream) {
  EXPECT_EQ(window->ConnectionHandle(), 0);
  EXPECT_FALSE(window->PictureStreamReleased());
  window->show();
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(sdk.calls.empty());
  EXPECT_TRUE(video.addresses.empty());
  EXPECT_TRUE(window->PictureStreamReleased());
}

TEST_F(WindowTest, ClosingWhileConnectedDisconnectsThenReleases) {
  window->show();
  window->BitBtn1->click();
  const auto handle = window->ConnectionHandle();
  ASSERT_NE(handle, 0);
  EXPECT_TRUE(window->close());
  ASSERT_EQ(sdk.Operations(),
            (std::vector<std::string>{"Connect", "ConfigureConnection", "Disconnect"}));
  EXPECT_EQ(sdk.calls[2].handle, handle);
  EXPECT_EQ(video.addresses.back(), QStringLiteral("0"));
  EXPECT_EQ(window->ConnectionHandle(), 0);
  EXPECT_TRUE(window->PictureStreamReleased());
  EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(WindowTest, AFailedDisconnectOnCloseKeepsTheWindowAndItsStream) {
  window->show();
  window->BitBtn1->click();
  sdk.failures["Disconnect"] = camera::Status::Failure(camera::kStatusFailed, "camera gone");
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  EXPECT_NE(window->ConnectionHandle(), 0);
  EXPECT_FALSE(window->PictureStreamReleased());
  EXPECT_EQ(video.addresses.size(), 1u);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_TRUE(boxes.texts[0].contains(QStringLiteral("camera gone")));
}

}  // namespace
