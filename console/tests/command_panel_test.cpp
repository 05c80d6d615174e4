#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <string>
#include <utility>
#include <vector>
#include "MessagePane.h"

#include "ComponentError.h"
#include "RadioGroup.h"
#include "RecordingBackends.h"
#include "VirtualLane.h"
#include "utVideoStream.h"

void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace {

using camera::testing::RecordedCall;

constexpr int kSimple = 0;
constexpr int kStandard = 1;
constexpr int kSpeech = 0;
constexpr int kClips = 1;

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (const auto byte : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

std::vector<std::uint8_t> Bytes(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t at = 0; at + 1 < hex.size(); at += 3) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(at, 2), nullptr, 16)));
  }
  return bytes;
}

class RecordingBoxes : public MessageBoxSink {
 public:
  std::vector<QString> shown;
  void ShowModal(const QString& text) override { shown.push_back(text); }
};

// Notes whether the read-card timer was running while a frame went out.
class TimerWatchingBackend : public camera::testing::RecordingSdkBackend {
 public:
  const QTimer* timer = nullptr;
  std::vector<bool> timerActiveAtSend;

  camera::Status TransSerialPort(camera::CameraHandle handle, const std::uint8_t* data,
                                 std::int32_t count) override {
    if (timer != nullptr) timerActiveAtSend.push_back(timer->isActive());
    return RecordingSdkBackend::TransSerialPort(handle, data, count);
  }
};

class CommandPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pictures.isValid());
    ConsoleSeams seams;
    seams.sdkBackend = &sdk;
    seams.videoBackend = &video;
    seams.pause = [this](int milliseconds) { pauses.emplace_back(milliseconds, sdk.calls.size()); };
    seams.messageBoxes = &boxes;
    seams.pictureDirectory = pictures.path();
    window = std::make_unique<TfmVideoStream>(std::move(seams));
    sdk.timer = window->tmReadCard;
    linesBefore = PaneLines().size();
  }

  QStringList PaneLines() const { return window->memMessage->Lines(); }

  // Lines appended since the test started.
  QStringList NewLines() const { return PaneLines().mid(linesBefore); }

  std::vector<RecordedCall> Sends() const {
    std::vector<RecordedCall> sends;
    for (const auto& call : sdk.calls) {
      if (call.operation == "TransSerialPort") sends.push_back(call);
    }
    return sends;
  }

  void Select(int lane, int voiceType) {
    window->rgpSystemType->SetItemIndex(lane);
    window->rgpVoiceType->SetItemIndex(voiceType);
  }

  QTemporaryDir pictures;
  TimerWatchingBackend sdk;
  camera::testing::RecordingVideoBackend video;
  RecordingBoxes boxes;
  std::vector<std::pair<int, std::size_t>> pauses;  // milliseconds, calls made before it
  std::unique_ptr<TfmVideoStream> window;
  qsizetype linesBefore = 0;
};

using Handler = void (TfmVideoStream::*)();

struct Selectors {
  const char* control = "1";
  const char* screen = "";
  const char* voice = "98";
  const char* spaceCount = "158";
};

struct CommandCase {
  const char* name;
  Handler handler;
  int lane;
  int voiceType;
  const char* hex;
  Selectors selectors = {};
  const char* logPrefix = "";
};

void PrintTo(const CommandCase& row, std::ostream* out) {
  *out << row.name;
}

constexpr Handler kTwoLine = &TfmVideoStream::Button1Click;
constexpr Handler kFourLine = &TfmVideoStream::Button4Click;
constexpr Handler kDigits = &TfmVideoStream::Button5Click;
constexpr Handler kVoice1 = &TfmVideoStream::Button2Click;
constexpr Handler kVoice2 = &TfmVideoStream::BitBtn5Click;
constexpr Handler kOpenGate = &TfmVideoStream::BitBtn3Click;
constexpr Handler kCloseGate = &TfmVideoStream::Button3Click;
constexpr Handler kReadCard = &TfmVideoStream::BitBtn8Click;

constexpr const char* kSimpleTwoLine =
    "01 20 B5 DA D2 BB D0 D0 20 C1 BD D0 D0 C6 C1 0D 02 20 B5 DA B6 FE D0 D0 20 C1 BD D0 D0 C6 C1 "
    "0D";
constexpr const char* kSimpleFourLine =
    "01 20 B5 DA D2 BB D0 D0 20 CB C4 D0 D0 C6 C1 0D 02 20 B5 DA B6 FE D0 D0 20 CB C4 D0 D0 C6 C1 "
    "0D 03 20 B5 DA C8 FD D0 D0 20 CB C4 D0 D0 C6 C1 0D 04 20 B5 DA CB C4 D0 D0 20 CB C4 D0 D0 C6 "
    "C1 0D";
constexpr const char* kSimpleWelcome98 = "05 12 62 FD 00 0B 01 01 BB B6 D3 AD B9 E2 C1 D9 C6 0D";
constexpr const char* kSimpleWelcome100 = "05 12 64 FD 00 0B 01 01 BB B6 D3 AD B9 E2 C1 D9 C6 0D";
constexpr const char* kSimplePay98 =
    "05 12 62 FD 00 17 01 01 D4 C1 42 38 41 38 38 38 20 C7 EB BD BB B7 D1 31 36 38 D4 AA D1 0D";
constexpr const char* kSimpleClips98 = "05 12 62 02 14 03 13 04 12 05 11 00 0D";
constexpr const char* kSimpleClips100 = "05 12 64 02 14 03 13 04 12 05 11 00 0D";

constexpr const char* kStandardTwoLineBody =
    "A6 01 00 D4 C1 42 31 32 33 34 35 0D 02 20 CE DE D0 E8 C8 A1 BF A8 20 B3 B5 C5 C6 D7 D4 B6 AF "
    "CA B6 B1 F0 0D 03 20 D2 BB B3 B5 D2 BB B8 CB 20 B3 E5 B8 CB BA F3 B9 FB D7 D4 B8 BA 0D 89 5C";
const std::string kStandardTwoLine1 =
    std::string("55 D5 44 00 00 00 01 00 3E D7 34 ") + kStandardTwoLineBody;
const std::string kStandardTwoLine3 =
    std::string("55 D5 44 00 00 00 03 00 3E 6F 81 ") + kStandardTwoLineBody;
const std::string kStandardTwoLine255 =
    std::string("55 D5 44 00 00 00 FF 00 3E F8 A8 ") + kStandardTwoLineBody;
constexpr const char* kStandardFourLine =
    "55 D5 44 00 00 00 01 00 1F 5C 04 A6 01 00 D4 C1 4B 31 32 33 34 35 0D 02 00 31 30 D4 AA 0D 03 "
    "00 38 CA B1 34 35 B7 D6 0D F4 28";
constexpr const char* kStandardWelcome98 =
    "55 D5 44 00 00 00 01 00 1F 5C 04 A7 62 FD 00 18 01 01 5B 6E 31 5D D4 C1 42 39 38 58 35 38 20 "
    "BB B6 D3 AD B9 E2 C1 D9 AF DB 3C";
constexpr const char* kStandardWelcome1 =
    "55 D5 44 00 00 00 01 00 1F 5C 04 A7 01 FD 00 18 01 01 5B 6E 31 5D D4 C1 42 39 38 58 35 38 20 "
    "BB B6 D3 AD B9 E2 C1 D9 AF 33 78";
constexpr const char* kStandardPay98 =
    "55 D5 44 00 00 00 01 00 1B 78 42 A7 62 FD 00 14 01 01 5B 6E 32 5D C7 EB BD BB B7 D1 31 38 2E "
    "38 38 D4 AA A6 8C 19";
constexpr const char* kStandardClips =
    "55 D5 44 00 00 00 01 00 0C 46 26 A7 28 02 14 03 13 04 12 05 11 92 97";

class CommandTableTest : public CommandPanelTest,
                         public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandTableTest, SendsTheFrameAndLogsItsDump) {
  const CommandCase& row = GetParam();
  Select(row.lane, row.voiceType);
  window->cmbxControl->setEditText(QString::fromUtf8(row.selectors.control));
  window->cmbxScreen->setEditText(QString::fromUtf8(row.selectors.screen));
  window->cmbxVoice->setEditText(QString::fromUtf8(row.selectors.voice));
  window->edtSpaceCount->setText(QString::fromUtf8(row.selectors.spaceCount));
  window->edtCameraIP->setText(QStringLiteral("10.9.8.7"));

  (window.get()->*row.handler)();

  const auto sends = Sends();
  ASSERT_EQ(sends.size(), 1u);
  EXPECT_EQ(Hex(sends[0].bytes), row.hex);
  EXPECT_EQ(sends[0].first, static_cast<std::int32_t>(Bytes(row.hex).size()));
  EXPECT_EQ(sends[0].handle, 0) << "the handle goes out as it is, unconnected included";
  EXPECT_EQ(NewLines(), QStringList{QString::fromUtf8(row.logPrefix) + " " + row.hex});
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Buttons, CommandTableTest,
    ::testing::Values(
        CommandCase{"SimpleTwoLine", kTwoLine, kSimple, kSpeech, kSimpleTwoLine},
        CommandCase{"SimpleFourLine", kFourLine, kSimple, kSpeech, kSimpleFourLine},
        CommandCase{"SimpleDigitsEmptyScreen", kDigits, kSimple, kSpeech, "FE 00 31 35 38 0D"},
        CommandCase{"SimpleDigitsScreen7", kDigits, kSimple, kSpeech, "07 00 34 32 0D",
                    {.screen = "7", .spaceCount = "42"}},
        CommandCase{"SimpleDigitsScreen263", kDigits, kSimple, kSpeech, "07 00 34 32 0D",
                    {.screen = "263", .spaceCount = "42"}},
        CommandCase{"SimpleDigitsNineBytes", kDigits, kSimple, kSpeech,
                    "FE 20 31 32 33 34 35 36 37 38 39 0D", {.spaceCount = "123456789"}},
        CommandCase{"SimpleVoice1Speech", kVoice1, kSimple, kSpeech, kSimpleWelcome98},
        CommandCase{"SimpleVoice1SpeechVoiceText", kVoice1, kSimple, kSpeech, kSimpleWelcome98,
                    {.voice = "x"}},
        CommandCase{"SimpleVoice2Speech", kVoice2, kSimple, kSpeech, kSimplePay98},
        CommandCase{"SimpleVoice1Clips", kVoice1, kSimple, kClips, kSimpleClips98},
        CommandCase{"SimpleVoice2Clips", kVoice2, kSimple, kClips, kSimpleClips98},
        CommandCase{"SimpleVoice2ClipsBox100", kVoice2, kSimple, kClips, kSimpleClips100,
                    {.voice = "100"}},
        CommandCase{"StandardTwoLine", kTwoLine, kStandard, kSpeech, kStandardTwoLine1.c_str()},
        CommandCase{"StandardTwoLineAddress3", kTwoLine, kStandard, kSpeech,
                    kStandardTwoLine3.c_str(), {.control = "3"}},
        CommandCase{"StandardTwoLineAddressMinus1", kTwoLine, kStandard, kSpeech,
                    kStandardTwoLine255.c_str(), {.control = "-1"}},
        CommandCase{"StandardTwoLineAddress257", kTwoLine, kStandard, kSpeech,
                    kStandardTwoLine1.c_str(), {.control = "257"}},
        CommandCase{"StandardTwoLineAddressEmpty", kTwoLine, kStandard, kSpeech,
                    kStandardTwoLine1.c_str(), {.control = ""}},
        CommandCase{"StandardTwoLineAddressText", kTwoLine, kStandard, kSpeech,
                    kStandardTwoLine1.c_str(), {.control = "三"}},
        CommandCase{"StandardFourLine", kFourLine, kStandard, kSpeech, kStandardFourLine},
        CommandCase{"StandardDigitsEmptyScreen", kDigits, kStandard, kSpeech,
                    "55 D5 44 00 00 00 01 00 09 EB 71 A6 FA 00 31 35 38 0D AC 6B"},
        CommandCase{"StandardDigitsScreenText", kDigits, kStandard, kSpeech,
                    "55 D5 44 00 00 00 01 00 09 EB 71 A6 FA 00 31 35 38 0D AC 6B",
                    {.screen = "none"}},
        CommandCase{"StandardDigitsScreen7Address3", kDigits, kStandard, kSpeech,
                    "55 D5 44 00 00 00 03 00 08 DA D5 A6 07 00 34 32 0D AC 1B",
                    {.control = "3", .screen = "7", .spaceCount = "42"}},
        CommandCase{"StandardVoice1Speech", kVoice1, kStandard, kSpeech, kStandardWelcome98},
        CommandCase{"StandardVoice1SpeechVoiceText", kVoice1, kStandard, kSpeech,
                    kStandardWelcome1, {.voice = "abc"}},
        CommandCase{"StandardVoice2Speech", kVoice2, kStandard, kSpeech, kStandardPay98},
        CommandCase{"StandardVoice1Clips", kVoice1, kStandard, kClips, kStandardClips},
        CommandCase{"StandardVoice2Clips", kVoice2, kStandard, kClips, kStandardClips},
        CommandCase{"StandardOpenGate", kOpenGate, kStandard, kSpeech,
                    "55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F8"},
        CommandCase{"StandardOpenGateAddress2", kOpenGate, kStandard, kSpeech,
                    "55 D5 44 00 00 00 02 00 04 6A 45 D0 05 2E F8", {.control = "2"}},
        CommandCase{"StandardCloseGate", kCloseGate, kStandard, kSpeech,
                    "55 D5 44 00 00 00 01 00 03 B1 DE D1 83 C8"},
        CommandCase{"StandardReadCard", kReadCard, kStandard, kSpeech,
                    "55 D5 44 00 00 00 01 00 05 87 BB A2 00 64 7E A6", {}, "发送 10.9.8.7:"},
        CommandCase{"StandardReadCardAddress16", kReadCard, kStandard, kSpeech,
                    "55 D5 44 00 00 00 10 00 05 CE 64 A2 00 64 7E A6", {.control = "16"},
                    "发送 10.9.8.7:"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(CommandPanelTest, ReadCardPassesTheConnectionHandleAndTheAddressAsTyped) {
  window->edtCameraIP->setText(QStringLiteral("192.168.1.100"));
  window->BitBtn1Click();
  window->edtCameraIP->setText(QStringLiteral("192.168.1.200"));
  linesBefore = PaneLines().size();

  window->BitBtn8Click();

  const auto sends = Sends();
  ASSERT_EQ(sends.size(), 1u);
  EXPECT_EQ(sends[0].handle, 1);
  ASSERT_EQ(NewLines().size(), 1);
  EXPECT_TRUE(NewLines()[0].startsWith(QStringLiteral("发送 192.168.1.200: 55 D5")));
}

TEST_F(CommandPanelTest, SimpleLaneOpensTheGateThroughTheCameraAndLogsNothing) {
  window->BitBtn1Click();
  linesBefore = PaneLines().size();
  sdk.calls.clear();
  Select(kSimple, kSpeech);

  window->BitBtn3Click();

  ASSERT_EQ(sdk.Operations(), std::vector<std::string>{"OpenGate"});
  EXPECT_EQ(sdk.calls[0].handle, 1);
  EXPECT_TRUE(NewLines().isEmpty());
}

class SimpleLaneNoticeTest : public CommandPanelTest,
                             public ::testing::WithParamInterface<Handler> {};

TEST_P(SimpleLaneNoticeTest, AppendsTheNoticeAndSendsNothing) {
  Select(kSimple, kSpeech);

  (window.get()->*GetParam())();

  EXPECT_TRUE(sdk.calls.empty());
  EXPECT_EQ(NewLines(), QStringList{QStringLiteral("简易系统不支持该功能")});
}

INSTANTIATE_TEST_SUITE_P(CloseGateAndReadCard, SimpleLaneNoticeTest,
                         ::testing::Values(&TfmVideoStream::Button3Click,
                                           &TfmVideoStream::BitBtn8Click));

struct SpaceCountCase {
  int lane;
  int length;
  bool sent;
};

void PrintTo(const SpaceCountCase& row, std::ostream* out) {
  *out << (row.lane == kSimple ? "simple" : "standard") << " lane, " << row.length << " digits";
}

class SpaceCountLimitTest : public CommandPanelTest,
                            public ::testing::WithParamInterface<SpaceCountCase> {};

TEST_P(SpaceCountLimitTest, FramesBeyondTheSendBufferAreRefused) {
  Select(GetParam().lane, kSpeech);
  window->edtSpaceCount->setText(QString(GetParam().length, QLatin1Char('8')));

  window->Button5Click();

  ASSERT_EQ(NewLines().size(), 1);
  if (GetParam().sent) {
    ASSERT_EQ(Sends().size(), 1u);
    EXPECT_EQ(Sends()[0].bytes.size(), 512u);
    EXPECT_TRUE(NewLines()[0].startsWith(' '));
  } else {
    EXPECT_TRUE(sdk.calls.empty());
    EXPECT_TRUE(NewLines()[0].contains(QStringLiteral("512")));
    EXPECT_TRUE(NewLines()[0].contains(QStringLiteral("edtSpaceCount")));
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, SpaceCountLimitTest,
                         ::testing::Values(SpaceCountCase{kSimple, 509, true},
                                           SpaceCountCase{kSimple, 510, false},
                                           SpaceCountCase{kStandard, 495, true},
                                           SpaceCountCase{kStandard, 496, false},
                                           SpaceCountCase{kStandard, 100000, false}));

TEST_F(CommandPanelTest, SpaceCountThatGbkCannotHoldIsRefusedNamingTheField) {
  for (const int lane : {kSimple, kStandard}) {
    Select(lane, kSpeech);
    window->edtSpaceCount->setText(QStringLiteral("15😀"));
    window->Button5Click();
  }

  EXPECT_TRUE(sdk.calls.empty());
  ASSERT_EQ(NewLines().size(), 2);
  for (const QString& line : NewLines())
    EXPECT_TRUE(line.contains("edtSpaceCount")) << line.toStdString();
}

TEST_F(CommandPanelTest, FailedSendEndsTheCommandWithoutLoggingTheFrame) {
  sdk.failures["TransSerialPort"] = camera::Status::Failure(camera::kStatusFailed, "line down");

  EXPECT_THROW(window->Button1Click(), camera::ComponentError);
  EXPECT_EQ(Sends().size(), 1u);
  EXPECT_TRUE(NewLines().isEmpty());
}

TEST_F(CommandPanelTest, AutomaticReadingFollowsTheCheckBox) {
  window->chkReadCard->setChecked(true);
  window->chkReadCardClick();
  EXPECT_TRUE(window->tmReadCard->isActive());

  window->chkReadCard->setChecked(false);
  window->chkReadCardClick();
  EXPECT_FALSE(window->tmReadCard->isActive());
}

TEST_F(CommandPanelTest, TimerTickReadsTheCardWithTheTimerStopped) {
  window->chkReadCard->setChecked(true);
  window->chkReadCardClick();

  window->tmReadCardTimer();

  EXPECT_EQ(sdk.timerActiveAtSend, std::vector<bool>{false});
  EXPECT_TRUE(window->tmReadCard->isActive());
  ASSERT_EQ(NewLines().size(), 1);
  EXPECT_TRUE(NewLines()[0].startsWith(QStringLiteral("发送 ")));
}

TEST_F(CommandPanelTest, TimerIsRearmedAfterAFailedRead) {
  window->chkReadCard->setChecked(true);
  window->chkReadCardClick();
  sdk.failures["TransSerialPort"] = camera::Status::Failure(camera::kStatusNotConnected, "gone");

  EXPECT_THROW(window->tmReadCardTimer(), camera::ComponentError);

  EXPECT_EQ(sdk.timerActiveAtSend, std::vector<bool>{false});
  EXPECT_TRUE(window->tmReadCard->isActive());
}

TEST_F(CommandPanelTest, TestButtonSendsThreeFramesWithTwoPausesInEitherLane) {
  const std::vector<std::string> expected{
      "55 D5 44 00 00 00 01 00 0C 46 26 A7 28 01 15 00 00 00 00 00 00 17 1A",
      "55 D5 44 00 00 00 01 00 1E D5 15 A6 01 00 D4 C1 42 38 43 33 31 32 0D 02 00 30 CA B1 30 B7 "
      "D6 0D 03 00 30 2E 30 30 0D 8C F3",
      "55 D5 44 00 00 00 01 00 0C 46 26 A7 30 00 00 00 00 00 00 00 00 9C 5E"};
  for (const int lane : {kSimple, kStandard}) {
    SCOPED_TRACE(lane);
    sdk.calls.clear();
    pauses.clear();
    linesBefore = PaneLines().size();
    Select(lane, kClips);
    window->cmbxControl->setEditText(QStringLiteral("5"));

    window->BitBtn6Click();

    const auto sends = Sends();
    ASSERT_EQ(sends.size(), 3u);
    QStringList lines;
    for (std::size_t index = 0; index < sends.size(); ++index) {
      EXPECT_EQ(Hex(sends[index].bytes), expected[index]);
      lines << " " + QString::fromStdString(expected[index]);
    }
    EXPECT_EQ(NewLines(), lines);
    const std::vector<std::pair<int, std::size_t>> expectedPauses{{100, 1}, {300, 2}};
    EXPECT_EQ(pauses, expectedPauses);
  }
}

struct ChunkCase {
  const char* name;
  std::string hex;
  QStringList lines;
};

void PrintTo(const ChunkCase& row, std::ostream* out) {
  *out << row.name;
}

class ReceivedChunkTest : public CommandPanelTest,
                          public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(ReceivedChunkTest, LogsTheWholeChunkAndDecodesReplies) {
  const auto bytes = Bytes(GetParam().hex);

  window->sdk1ZELIPCSDKTransSerialPort(QStringLiteral("10.0.0.5"), bytes.data(),
                                       static_cast<std::int32_t>(bytes.size()));

  EXPECT_EQ(NewLines(), GetParam().lines);
}

const std::string kCardReply =
    "55 D5 44 00 00 00 01 00 11 22 ED A2 01 02 03 04 05 00 00 00 00 00 00 00 00 00 3A 11";
const std::string kCardReplyCutShort = kCardReply.substr(0, kCardReply.size() - 3);

std::string Repeated(const std::string& hexByte, int count) {
  std::string text;
  for (int index = 0; index < count; ++index) text += hexByte + " ";
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, ReceivedChunkTest,
    ::testing::Values(ChunkCase{"Empty", "", {"接收 10.0.0.5: "}},
                      ChunkCase{"Short", "01 02 03", {"接收 10.0.0.5: 01 02 03 "}},
                      ChunkCase{"CardReply",
                                kCardReply,
                                {QString::fromStdString("接收 10.0.0.5: " + kCardReply + " "),
                                 "读卡 控制器 1: 卡号 21542142465"}},
                      ChunkCase{
                          "CardReplyCutShort",
                          kCardReplyCutShort,
                          {QString::fromStdString("接收 10.0.0.5: " + kCardReplyCutShort + " ")}},
                      ChunkCase{"ValueReply",
                                "55 D5 44 00 00 00 02 00 05 E3 54 E3 12 34 70 0E",
                                {"接收 10.0.0.5: 55 D5 44 00 00 00 02 00 05 E3 54 E3 12 34 70 0E ",
                                 "控制器 2: E3 数值 4660"}},
                      ChunkCase{"CardReplyPast513Bytes",
                                Repeated("00", 550) + kCardReply,
                                {QString::fromStdString("接收 10.0.0.5: " + Repeated("00", 550) +
                                                        kCardReply + " "),
                                 "读卡 控制器 1: 卡号 21542142465"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandPanelTest, AReplyCutShortByAReconnectionSpoilsNoLaterReply) {
  const auto cut = Bytes(kCardReplyCutShort);
  const auto whole = Bytes(kCardReply);
  window->sdk1ZELIPCSDKTransSerialPort(QStringLiteral("10.0.0.5"), cut.data(),
                                       static_cast<std::int32_t>(cut.size()));
  window->BitBtn1Click();

  window->sdk1ZELIPCSDKTransSerialPort(QStringLiteral("10.0.0.5"), whole.data(),
                                       static_cast<std::int32_t>(whole.size()));

  const QStringList lines = NewLines();
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_EQ(lines.back(), QStringLiteral("读卡 控制器 1: 卡号 21542142465"));
}

TEST_F(CommandPanelTest, ReceivedChunkWithoutBytesIsLoggedEmpty) {
  const std::uint8_t byte = 0x55;
  window->sdk1ZELIPCSDKTransSerialPort(QStringLiteral("a"), nullptr, 0);
  window->sdk1ZELIPCSDKTransSerialPort(QStringLiteral("b"), nullptr, 12);
  window->sdk1ZELIPCSDKTransSerialPort(QStringLiteral("c"), &byte, -5);

  EXPECT_EQ(NewLines(), (QStringList{"接收 a: ", "接收 b: ", "接收 c: "}));
}

class VirtualLaneConsoleTest : public ::testing::Test {
 protected:
  static virtual_lane::LaneTimings QuickTimings() {
    virtual_lane::LaneTimings timings;
    timings.carPeriodMs = 0;
    timings.cardReplyDelayMs = 1;
    timings.frameIntervalMs = 60000;
    return timings;
  }

  void SetUp() override {
    ConsoleSeams seams;
    seams.sdkBackend = &sdk;
    seams.videoBackend = &video;
    seams.pause = [](int) {};
    seams.messageBoxes = &boxes;
    window = std::make_unique<TfmVideoStream>(std::move(seams));
    window->edtCameraIP->setText(QStringLiteral("192.168.7.9"));
    lane = world.LaneAt(QStringLiteral("192.168.7.9"));
    ASSERT_NE(lane, nullptr);
    window->BitBtn1->click();
  }

  virtual_lane::VirtualLaneWorld world{QuickTimings()};
  virtual_lane::VirtualCamera sdk{world};
  virtual_lane::VirtualVideo video{world};
  RecordingBoxes boxes;
  std::unique_ptr<TfmVideoStream> window;
  const virtual_lane::Lane* lane = nullptr;
};

TEST_F(VirtualLaneConsoleTest, EveryCommandIsTakenByTheLaneWithoutAFault) {
  window->rgpSystemType->SetItemIndex(kSimple);
  for (QPushButton* button : {window->Button1, window->Button4, window->Button5, window->Button2,
                              window->BitBtn5, window->BitBtn3}) {
    button->click();
  }
  EXPECT_TRUE(lane->GateOpen());
  window->rgpSystemType->SetItemIndex(kStandard);
  for (QPushButton* button : {window->Button1, window->Button4, window->Button5, window->Button2,
                              window->BitBtn5, window->BitBtn3, window->Button3}) {
    button->click();
  }

  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(lane->ChecksumFaults(), 0);
  // Simple lane: 2 + 4 + 1 screen records and 2 voice frames; standard lane: 7 frames.
  EXPECT_EQ(lane->CommandsAccepted(), 16);
  EXPECT_FALSE(lane->GateOpen());
}

TEST_F(VirtualLaneConsoleTest, CardReplyArrivesAndIsLoggedAndDecoded) {
  const std::uint64_t card = lane->CardOnReader();

  window->BitBtn8->click();
  QEventLoop replyArrived;
  QObject::connect(window->sdk1, &camera::Tsdk::OnZELIPCSDKTransSerialPort, &replyArrived,
                   [&replyArrived] { replyArrived.quit(); });
  // Only a guard against a lane that never answers; nothing here is timed.
  QTimer::singleShot(60000, &replyArrived, &QEventLoop::quit);
  replyArrived.exec();

  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(lane->LastCardRead(), card);
  const QStringList lines = window->memMessage->Lines();
  const qsizetype sent = lines.indexOf(
      QStringLiteral("发送 192.168.7.9: 55 D5 44 00 00 00 01 00 05 87 BB A2 00 64 7E A6"));
  ASSERT_GE(sent, 0);
  ASSERT_EQ(lines.size(), sent + 3) << lines.join('\n').toStdString();
  EXPECT_TRUE(
      lines[sent + 1].startsWith(QStringLiteral("接收 192.168.7.9: 55 D5 44 00 00 00 01 00 11 ")))
      << lines[sent + 1].toStdString();
  EXPECT_EQ(lines[sent + 2], QStringLiteral("读卡 控制器 1: 卡号 ") + QString::number(card));
}

}  // namespace
