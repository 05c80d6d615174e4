#include <gtest/gtest.h>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>

#include "Controller.h"
#include "Lane.h"
#include "LaneTestSupport.h"
#include "ScreenRecords.h"
#include "VoiceBox.h"

namespace virtual_lane {
namespace {

using testing::ByteVector;
using testing::Gbk;
using testing::Hex;
using testing::HexOf;
using testing::Join;

constexpr int kPatienceMs = 5000;

LaneTimings Quick() {
  LaneTimings timings;
  timings.carPeriodMs = 0;
  timings.plateDelayMs = 5;
  timings.cardReplyDelayMs = 5;
  timings.gateCloseDelayMs = 60000;
  timings.serialIdleMs = 60000;
  return timings;
}

class LaneTest : public ::testing::Test {
 protected:
  void Send(const ByteVector& bytes) { lane.ReceiveSerial(bytes); }
  void Send(const protocol::ByteFrame& frame) { lane.ReceiveSerial(frame.bytes); }

  Lane lane{QStringLiteral("10.0.0.7"), Quick()};
};

using Lines2 = std::array<QString, 2>;
using Lines4 = std::array<QString, 4>;

struct CommandCase {
  const char* name;
  std::function<ByteVector()> bytes;
  int commands;
  std::function<void(const Lane&)> check;
};

void PrintTo(const CommandCase& c, std::ostream* out) {
  *out << c.name;
}

const CommandCase kCommands[] = {
    {"GateOpenFrame", [] { return protocol::BuildGateOpenFrame(1, 5).bytes; }, 1,
     [](const Lane& lane) { EXPECT_TRUE(lane.GateOpen()); }},
    {"SimpleTwoLineScreen",
     [] {
       return protocol::BuildTwoLineRecords(1, Gbk("第一行 两行屏"), 2, Gbk("第二行 两行屏")).bytes;
     },
     2,
     [](const Lane& lane) {
       EXPECT_EQ(lane.TwoLineScreen(), (Lines2{"第一行 两行屏", "第二行 两行屏"}));
       EXPECT_EQ(lane.FourLineScreen(), Lines4{});
     }},
    {"SimpleFourLineScreen",
     [] {
       return protocol::BuildFourLineRecords(1, Gbk("第一行 四行屏"), 2, Gbk("第二行 四行屏"), 3,
                                             Gbk("第三行 四行屏"), 4, Gbk("第四行 四行屏"))
           .bytes;
     },
     4,
     [](const Lane& lane) {
       EXPECT_EQ(lane.FourLineScreen(),
                 (Lines4{"第一行 四行屏", "第二行 四行屏", "第三行 四行屏", "第四行 四行屏"}));
       EXPECT_EQ(lane.TwoLineScreen(), Lines2{});
     }},
    {"SimpleDigitScreen", [] { return protocol::BuildOneLineRecord(254, Gbk("158")).bytes; }, 1,
     [](const Lane& lane) {
       EXPECT_EQ(lane.DigitScreenNumber(), 254);
       EXPECT_EQ(lane.DigitScreenText(), "158");
     }},
    {"ThreeLineDisplay",
     [] {
       return protocol::BuildThreeLineDisplayFrame(1, Gbk("粤B12345"), Gbk("无需取卡 车牌自动识别"),
                                                   Gbk("一车一杆 冲杆后果自负"))
           .bytes;
     },
     1,
     [](const Lane& lane) {
       EXPECT_EQ(lane.FourLineScreen(),
                 (Lines4{"粤B12345", "无需取卡 车牌自动识别", "一车一杆 冲杆后果自负", ""}));
       EXPECT_EQ(lane.TwoLineScreen(), Lines2{});
     }},
    // The console's hidden test display: "粤B8C312", "0时0分", "0.00".
    {"HandWrittenThreeLineDisplay",
     [] {
       return Hex(
           "55 D5 44 00 00 00 01 00 1E D5 15 A6 01 00 D4 C1 42 38 43 33 31 32 0D 02 00 30 "
           "CA B1 30 B7 D6 0D 03 00 30 2E 30 30 0D 8C F3");
     },
     1,
     [](const Lane& lane) {
       EXPECT_EQ(lane.FourLineScreen(), (Lines4{"粤B8C312", "0时0分", "0.00", ""}));
     }},
    {"TwoLinesThroughTheController",
     [] { return Hex("55 D5 44 00 00 00 02 00 0B 9D BD A6 01 00 41 0D 02 00 42 0D 9D B5"); }, 1,
     [](const Lane& lane) {
       EXPECT_EQ(lane.TwoLineScreen(), (Lines2{"A", "B"}));
     }},
    {"CountDisplay", [] { return protocol::BuildCountDisplayFrame(1, 250, Gbk("158")).bytes; }, 1,
     [](const Lane& lane) {
       EXPECT_EQ(lane.DigitScreenNumber(), 250);
       EXPECT_EQ(lane.DigitScreenText(), "158");
     }},
    // A count display for screen 1 is still a count, not line 1.
    {"CountDisplayForScreen1",
     [] { return Hex("55 D5 44 00 00 00 02 00 07 F1 77 A6 01 00 39 0D 30 47"); }, 1,
     [](const Lane& lane) {
       EXPECT_EQ(lane.DigitScreenNumber(), 1);
       EXPECT_EQ(lane.DigitScreenText(), "9");
       EXPECT_EQ(lane.TwoLineScreen(), Lines2{});
     }},
    {"CountDisplayTextHolding0D",
     [] { return Hex("55 D5 44 00 00 00 01 00 09 EB 71 A6 FA 00 55 0D 31 0D D0 17"); }, 1,
     [](const Lane& lane) { EXPECT_EQ(lane.DigitScreenText(), "U\r1"); }},
    {"VoiceText",
     [] { return protocol::BuildVoiceTextFrame(1, 1, Gbk("[n1]粤B98X58 欢迎光临")).bytes; }, 1,
     [](const Lane& lane) {
       EXPECT_EQ(lane.LastVoice(), VoiceKind::Speech);
       EXPECT_EQ(lane.VoiceBoxNumber(), 1);
       EXPECT_EQ(lane.VoiceText(), "[n1]粤B98X58 欢迎光临");
       EXPECT_EQ(lane.Look().voiceSays, "粤B98X58 欢迎光临");
     }},
    {"VoiceCodes",
     [] { return protocol::BuildVoiceCodesFrame(1, Hex("28 02 14 03 13 04 12 05 11")).bytes; }, 1,
     [](const Lane& lane) {
       EXPECT_EQ(lane.LastVoice(), VoiceKind::Clips);
       EXPECT_EQ(lane.VoiceCodes(), Hex("28 02 14 03 13 04 12 05 11"));
     }},
    {"BoxVoiceText", [] { return protocol::BuildBoxVoiceTextFrame(98, Gbk("欢迎光临")).bytes; }, 1,
     [](const Lane& lane) {
       EXPECT_EQ(lane.LastVoice(), VoiceKind::Speech);
       EXPECT_EQ(lane.VoiceBoxNumber(), 98);
       EXPECT_EQ(lane.VoiceText(), "欢迎光临");
     }},
    {"BoxVoiceCodes",
     [] { return protocol::BuildBoxVoiceCodesFrame(98, Hex("02 14 03 13 04 12 05 11")).bytes; }, 1,
     [](const Lane& lane) {
       EXPECT_EQ(lane.LastVoice(), VoiceKind::Clips);
       EXPECT_EQ(lane.VoiceBoxNumber(), 98);
       EXPECT_EQ(lane.VoiceCodes(), Hex("02 14 03 13 04 12 05 11 00"));
     }},
};

class LaneCommand : public LaneTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(LaneCommand, ChangesTheLane) {
  Send(GetParam().bytes());
  GetParam().check(lane);
  EXPECT_EQ(lane.CommandsAccepted(), GetParam().commands);
  EXPECT_EQ(lane.ChecksumFaults(), 0);
}

INSTANTIATE_TEST_SUITE_P(Commands, LaneCommand, ::testing::ValuesIn(kCommands),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LaneTest, GateCloseFrameClosesTheGate) {
  Send(protocol::BuildGateOpenFrame(16, 5));
  Send(protocol::BuildGateCloseFrame(16));
  EXPECT_FALSE(lane.GateOpen());
  EXPECT_EQ(lane.CommandsAccepted(), 2);
}

TEST(LaneGate, ClosesByItselfAfterOpeningEitherWay) {
  LaneTimings timings = Quick();
  timings.gateCloseDelayMs = 20;
  Lane lane(QStringLiteral("10.0.0.8"), timings);
  lane.ReceiveSerial(protocol::BuildGateOpenFrame(1, 5).bytes);
  ASSERT_TRUE(lane.GateOpen());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !lane.GateOpen(); }, kPatienceMs));
  lane.OpenGate();
  ASSERT_TRUE(lane.GateOpen());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !lane.GateOpen(); }, kPatienceMs));
}

TEST_F(LaneTest, FramesForNoControllerOrUnknownCommandsAreIgnored) {
  Send(Hex("55 D5 44 00 00 00 11 00 04 9B 2F D0 05 2E F8"));  // address 17
  Send(Hex("55 D5 44 00 00 00 00 00 04 D2 F0 D0 05 2E F8"));  // address 0
  Send(Hex("55 D5 44 00 00 00 01 00 04 0E AA 99 01 74 2F"));  // command 99
  EXPECT_FALSE(lane.GateOpen());
  EXPECT_EQ(lane.CommandsAccepted(), 0);
  EXPECT_EQ(lane.ChecksumFaults(), 0);
}

TEST_F(LaneTest, ABadChecksumChangesNothingAndIsCountedAndShown) {
  Send(Hex("55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F9"));
  EXPECT_FALSE(lane.GateOpen());
  EXPECT_EQ(lane.ChecksumFaults(), 1);
  EXPECT_EQ(lane.CommandsAccepted(), 0);
  EXPECT_GT(lane.Look().faultFlash, 0);
}

TEST_F(LaneTest, ASpeechBlockFailingItsXorInsideAGoodFrameIsAFault) {
  Send(Hex("55 D5 44 00 00 00 01 00 0D CF 37 A7 62 FD 00 06 01 01 61 62 63 9C C7 D1"));
  EXPECT_EQ(lane.LastVoice(), VoiceKind::None);
  EXPECT_EQ(lane.ChecksumFaults(), 1);
}

TEST_F(LaneTest, AFourLineSetLeavesTheTwoLineScreenAsItWas) {
  Send(protocol::BuildTwoLineRecords(1, Gbk("甲"), 2, Gbk("乙")));
  const ByteVector fourLines =
      protocol::BuildFourLineRecords(1, Gbk("一"), 2, Gbk("二"), 3, Gbk("三"), 4, Gbk("四")).bytes;
  for (std::uint8_t byte : fourLines) lane.ReceiveSerial({&byte, 1});
  EXPECT_EQ(lane.TwoLineScreen(), (Lines2{"甲", "乙"}));
  EXPECT_EQ(lane.FourLineScreen(), (Lines4{"一", "二", "三", "四"}));
}

TEST_F(LaneTest, ALineRecordOutsideARunGoesToTheScreenWithThatLine) {
  Send(protocol::BuildOneLineRecord(3, Gbk("三")));
  Send(protocol::BuildOneLineRecord(2, Gbk("二")));
  EXPECT_EQ(lane.FourLineScreen(), (Lines4{"", "", "三", ""}));
  EXPECT_EQ(lane.TwoLineScreen(), (Lines2{"", "二"}));
}

TEST_F(LaneTest, AnythingBetweenRecordsEndsTheRun) {
  Send(protocol::BuildTwoLineRecords(1, Gbk("甲"), 2, Gbk("乙")));
  Send(protocol::BuildGateOpenFrame(1, 5));
  Send(protocol::BuildOneLineRecord(3, Gbk("丙")));
  EXPECT_EQ(lane.TwoLineScreen(), (Lines2{"甲", "乙"}));
  EXPECT_EQ(lane.FourLineScreen(), (Lines4{"", "", "丙", ""}));
}

const ByteVector kFirstCardReplyFrom1 =
    Hex("55 D5 44 00 00 00 01 00 11 22 ED A2 78 56 34 12 00 00 64 01 00 00 00 00 00 00 F2 61");

TEST_F(LaneTest, ReadCardIsAnsweredWithACompleteReply) {
  QSignalSpy replies(&lane, &Lane::SerialOut);
  const std::uint64_t onReader = lane.CardOnReader();
  Send(protocol::BuildReadCardFrame(1, 100));
  ASSERT_TRUE(replies.wait(kPatienceMs));
  const QByteArray reply = replies.at(0).at(0).toByteArray();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(reply.constData());
  EXPECT_EQ(HexOf(bytes, reply.size()), HexOf(kFirstCardReplyFrom1.data(), 28));

  protocol::ControllerReply decoded;
  ASSERT_EQ(protocol::ParseControllerReply({bytes, std::size_t(reply.size())}, decoded),
            protocol::kReplyDecoded);
  EXPECT_EQ(decoded.Command, 0xA2);
  EXPECT_EQ(decoded.Address, 1);
  EXPECT_EQ(decoded.CardNumber, onReader);
  EXPECT_EQ(lane.LastCardRead(), onReader);
  EXPECT_NE(lane.CardOnReader(), onReader);
}

TEST_F(LaneTest, CardsComeRoundIncludingTheLargestAndAnswerFromTheAskedAddress) {
  QSignalSpy replies(&lane, &Lane::SerialOut);
  std::vector<std::uint64_t> cards;
  for (int address = 1; address <= 6; ++address) {
    Send(protocol::BuildReadCardFrame(address, 100));
    ASSERT_TRUE(QTest::qWaitFor([&] { return replies.size() == address; }, kPatienceMs));
    const QByteArray reply = replies.back().at(0).toByteArray();
    protocol::ControllerReply decoded;
    ASSERT_EQ(protocol::ParseControllerReply(
                  {reinterpret_cast<const std::uint8_t*>(reply.constData()), 28}, decoded),
              protocol::kReplyDecoded);
    EXPECT_EQ(decoded.Address, address);
    cards.push_back(decoded.CardNumber);
  }
  EXPECT_EQ(std::set<std::uint64_t>(cards.begin(), cards.begin() + 5).size(), 5U);
  EXPECT_EQ(cards[5], cards[0]);
  EXPECT_NE(std::find(cards.begin(), cards.end(), (std::uint64_t{1} << 40) - 1), cards.end());
}

TEST_F(LaneTest, RecognitionGivesARealisticPlateAndBothPictures) {
  QStringList reported;
  QObject::connect(&lane, &Lane::PlateRecognised,
                   [&](const PlateEvent& later) { reported << later.number; });
  const auto event = lane.Recognise();
  static const QRegularExpression plate(
      QStringLiteral("^[京津沪渝冀豫云辽黑湘皖鲁新苏浙赣鄂桂甘晋蒙陕吉闽贵粤青藏川宁琼][A-HJ-NP-Z]["
                     "0-9A-HJ-NP-Z]{5}$"));
  EXPECT_TRUE(plate.match(event->number).hasMatch()) << event->number.toStdString();
  EXPECT_EQ(event->color, "蓝");
  EXPECT_EQ(lane.PlateNumber(), event->number);

  const auto scene = testing::DecodeJpeg(event->sceneJpeg.data(), event->sceneJpeg.size());
  EXPECT_TRUE(scene.decoded);
  EXPECT_EQ(scene.width, 1920);
  EXPECT_EQ(scene.height, 1080);
  const auto closeUp = testing::DecodeJpeg(event->closeUpJpeg.data(), event->closeUpJpeg.size());
  EXPECT_TRUE(closeUp.decoded);
  EXPECT_EQ(closeUp.width, 440);
  EXPECT_EQ(closeUp.height, 140);

  EXPECT_TRUE(QTest::qWaitFor([&] { return !reported.empty(); }, kPatienceMs));
  EXPECT_EQ(reported, QStringList{event->number});
}

TEST_F(LaneTest, SnapshotIsTheLiveFrameAsJpeg) {
  const auto& jpeg = lane.CaptureJpeg();
  const auto picture = testing::DecodeJpeg(jpeg.data(), jpeg.size());
  EXPECT_TRUE(picture.decoded);
  EXPECT_EQ(picture.width, 1280);
  EXPECT_EQ(picture.height, 720);
}

TEST(LaneCars, ArriveByThemselvesWhileSomeoneWatches) {
  LaneTimings timings = Quick();
  timings.carPeriodMs = 10;
  Lane lane(QStringLiteral("10.0.0.9"), timings);
  QStringList plates;
  QObject::connect(&lane, &Lane::PlateRecognised,
                   [&](const PlateEvent& event) { plates << event.number; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return plates.size() >= 2; }, kPatienceMs));
  EXPECT_NE(plates[0], plates[1]);
}

// Qt guards connections with a small pool of locks shared by address: a
// watcher that drew the lane's lock once deadlocked in its own destruction.
TEST(LaneCars, WatchersMayComeAndGoAtAnyAddress) {
  LaneTimings timings = Quick();
  timings.carPeriodMs = 10;
  Lane lane(QStringLiteral("10.0.0.9"), timings);
  std::vector<std::unique_ptr<QObject>> watchers;
  for (int i = 0; i < 600; ++i) {
    watchers.push_back(std::make_unique<QObject>());
    QObject::connect(&lane, &Lane::PlateRecognised, watchers.back().get(), [] {});
  }
  watchers.clear();
  int plates = 0;
  QObject::connect(&lane, &Lane::PlateRecognised, [&plates] { ++plates; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return plates >= 1; }, kPatienceMs));
}

}  // namespace
}  // namespace virtual_lane
