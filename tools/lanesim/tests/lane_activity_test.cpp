#include <gtest/gtest.h>
#include <QSignalSpy>

#include <functional>

#include "Controller.h"
#include "Gbk.h"
#include "Lane.h"
#include "LaneSimProcess.h"
#include "ScreenRecords.h"
#include "VoiceBox.h"

QT_BEGIN_NAMESPACE
void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace virtual_lane {
namespace {

using protocol::EncodeGbk;
using ByteVector = std::vector<std::uint8_t>;

LaneTimings Timings(int serialIdleMs) {
  LaneTimings timings;
  timings.carPeriodMs = 0;
  timings.cardReplyDelayMs = 5;
  timings.serialIdleMs = serialIdleMs;
  return timings;
}

QStringList ActivityOf(const ByteVector& bytes, std::size_t piece) {
  Lane lane{QStringLiteral("127.0.0.1"), Timings(60000)};
  QStringList lines;
  QObject::connect(&lane, &Lane::Activity, [&](const QString& line) { lines << line; });
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    lane.ReceiveSerial(std::span(bytes).subspan(at, std::min(piece, bytes.size() - at)));
  }
  return lines;
}

struct ActivityCase {
  const char* name;
  std::function<ByteVector()> bytes;
  QStringList lines;
};

void PrintTo(const ActivityCase& c, std::ostream* out) {
  *out << c.name;
}

const ByteVector kGateOpen = protocol::BuildGateOpenFrame(1, 5).bytes;

ByteVector Flipped(ByteVector bytes, std::size_t at) {
  bytes.at(at) ^= 0x01;
  return bytes;
}

const ActivityCase kActivities[] = {
    {"GateOpen", [] { return kGateOpen; }, {"controller 1: gate open"}},
    {"NoSuchController",
     [] { return protocol::BuildGateOpenFrame(17, 5).bytes; },
     {"controller 17: not on this lane"}},
    {"UnknownCommand",
     [] { return protocol::BuildControllerFrame(1, 0x99, {}).bytes; },
     {"controller 1: command 99 ignored"}},
    {"CountDisplay",
     [] { return protocol::BuildCountDisplayFrame(1, 254, EncodeGbk("158")).bytes; },
     {R"(controller 1: screen 254: "158")"}},
    {"ThreeLineDisplay",
     [] {
       return protocol::BuildThreeLineDisplayFrame(2, EncodeGbk("一"), EncodeGbk("二"),
                                                   EncodeGbk("三"))
           .bytes;
     },
     {R"(controller 2: four-line screen: "一" / "二" / "三" / "")"}},
    {"ControllerSpeech",
     [] { return protocol::BuildVoiceTextFrame(1, 1, EncodeGbk("请通行")).bytes; },
     {R"(controller 1: voice speech "请通行")"}},
    {"ControllerSpeechFailingItsCheck",
     [] {
       ByteVector payload = protocol::SpeechBlock(EncodeGbk("请通行")).bytes;
       payload.insert(payload.begin(), 0x01);
       return protocol::BuildControllerFrame(1, 0xA7, Flipped(payload, payload.size() - 1)).bytes;
     },
     {"fault: speech check (1 so far)", "controller 1: command A7 ignored"}},
    {"VoiceBoxSpeech",
     [] { return protocol::BuildBoxVoiceTextFrame(98, EncodeGbk("欢迎光临")).bytes; },
     {R"(voice box 98: speech "欢迎光临")"}},
    {"VoiceBoxClips",
     [] {
       const std::uint8_t codes[] = {0x01, 0x0A};
       return protocol::BuildBoxVoiceCodesFrame(98, codes).bytes;
     },
     {"voice box 98: clips 01 0A 00 00 00 00 00 00 00"}},
    {"DigitScreenRecord",
     [] { return protocol::BuildOneLineRecord(254, EncodeGbk("158")).bytes; },
     {R"(screen 254: "158")"}},
    {"FourLineSetMovesToItsScreen",
     [] {
       return protocol::BuildFourLineRecords(1, EncodeGbk("一"), 2, EncodeGbk("二"), 3,
                                             EncodeGbk("三"), 4, EncodeGbk("四"))
           .bytes;
     },
     {R"(two-line screen: "一" / "")", R"(two-line screen: "一" / "二")",
      R"(four-line screen: "一" / "二" / "三" / "")",
      R"(four-line screen: "一" / "二" / "三" / "四")"}},
    {"BodyChecksum",
     [] { return Flipped(kGateOpen, kGateOpen.size() - 1); },
     {"fault: body checksum (1 so far)"}},
    {"HeaderChecksum", [] { return Flipped(kGateOpen, 9); }, {"fault: header checksum (1 so far)"}},
    {"GarbageAroundFrames",
     [] {
       ByteVector bytes{0x01, 0x02, 0x03};
       bytes.insert(bytes.end(), kGateOpen.begin(), kGateOpen.end());
       bytes.push_back(0xFF);
       const ByteVector close = protocol::BuildGateCloseFrame(1).bytes;
       bytes.insert(bytes.end(), close.begin(), close.end());
       return bytes;
     },
     {"controller 1: gate open", "controller 1: gate close"}},
};

class LaneActivity : public ::testing::TestWithParam<ActivityCase> {};

TEST_P(LaneActivity, OneLinePerFrameAndFault) {
  const ByteVector bytes = GetParam().bytes();
  for (std::size_t piece : {bytes.size(), std::size_t{1}, std::size_t{2}, std::size_t{5}}) {
    EXPECT_EQ(ActivityOf(bytes, piece), GetParam().lines) << piece << "-byte pieces";
  }
}

INSTANTIATE_TEST_SUITE_P(Frames, LaneActivity, ::testing::ValuesIn(kActivities),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LaneActivityLater, AnswersAndQuietLines) {
  const ByteVector readCard = protocol::BuildReadCardFrame(1, 100).bytes;
  const struct {
    ByteVector bytes;
    const char* line;
  } cases[] = {
      {readCard, "controller 1: read card, answered card 305419896"},
      {ByteVector(readCard.begin(), readCard.begin() + 12), "fault: truncated frame (1 so far)"},
  };
  for (const auto& c : cases) {
    Lane lane{QStringLiteral("127.0.0.1"), Timings(20)};
    QSignalSpy activity(&lane, &Lane::Activity);
    lane.ReceiveSerial(c.bytes);
    EXPECT_EQ(activity.size(), 0) << c.line;
    ASSERT_TRUE(activity.wait(lanesim::testing::kPatienceMs)) << c.line;
    EXPECT_EQ(activity.at(0).at(0).toString(), c.line);
  }
}

}  // namespace
}  // namespace virtual_lane
