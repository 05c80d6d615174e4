#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HexText.h"
#include "LaneCommands.h"
#include "SelectorValue.h"

namespace protocol {
namespace {

struct SelectorCase {
  const char* text;
  int expected;
};

void PrintTo(const SelectorCase& row, std::ostream* out) {
  *out << '"' << row.text << '"';
}

class SelectorValueTest : public testing::TestWithParam<SelectorCase> {};

TEST_P(SelectorValueTest, ConvertsOrFallsBack) {
  EXPECT_EQ(SelectorValue(GetParam().text, 77), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SelectorValueTest,
    testing::Values(SelectorCase{"1", 1}, SelectorCase{"0", 0}, SelectorCase{"-1", -1},
                    SelectorCase{"+5", 5}, SelectorCase{"007", 7},
                    SelectorCase{"2147483647", 2147483647},
                    SelectorCase{"-2147483648", -2147483647 - 1}, SelectorCase{"", 77},
                    SelectorCase{"abc", 77}, SelectorCase{"12a", 77}, SelectorCase{" 12", 77},
                    SelectorCase{"12 ", 77}, SelectorCase{"+", 77}, SelectorCase{"+-3", 77},
                    SelectorCase{"$1F", 77}, SelectorCase{"1.5", 77},
                    SelectorCase{"2147483648", 77}, SelectorCase{"９８", 77}));

struct LimitCase {
  const char* name;
  FrameKind kind;
  std::size_t inputs;
  std::size_t limit;
};

class InputLimitTest : public testing::TestWithParam<LimitCase> {
 protected:
  // `total` bytes spread as lanectl's tests spread them: one byte for every
  // input but the first, which takes the rest.
  static std::vector<std::size_t> Spread(std::size_t inputs, std::size_t total) {
    std::vector<std::size_t> sizes(inputs, 1);
    sizes[0] = total - (inputs - 1);
    return sizes;
  }
};

TEST_P(InputLimitTest, AcceptsTheLimitAndRefusesOneByteMore) {
  const LimitCase& c = GetParam();
  EXPECT_EQ(InputLimit(c.kind), c.limit);
  EXPECT_FALSE(CheckInputSizes(c.kind, Spread(c.inputs, c.limit)));

  const auto over = CheckInputSizes(c.kind, Spread(c.inputs, c.limit + 1));
  ASSERT_TRUE(over);
  EXPECT_EQ(over->input, c.inputs == 1 ? 0 : kAllInputs);
  EXPECT_EQ(over->bytes, c.limit + 1);
  EXPECT_EQ(over->limit, c.limit);
}

TEST_P(InputLimitTest, NamesTheFirstInputThatAloneIsTooLarge) {
  const LimitCase& c = GetParam();
  std::vector<std::size_t> sizes(c.inputs, 0);
  sizes.back() = c.limit + 1;

  const auto over = CheckInputSizes(c.kind, sizes);
  ASSERT_TRUE(over);
  EXPECT_EQ(over->input, c.inputs - 1);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, InputLimitTest,
    testing::Values(LimitCase{"CountDisplay", FrameKind::CountDisplay, 1, 1007},
                    LimitCase{"ThreeLine", FrameKind::ThreeLineDisplay, 3, 1001},
                    LimitCase{"VoiceCodes", FrameKind::VoiceCodes, 1, 512},
                    LimitCase{"VoiceText", FrameKind::VoiceText, 1, 491},
                    LimitCase{"OneLine", FrameKind::OneLineRecord, 1, 1021},
                    LimitCase{"TwoLine", FrameKind::TwoLineRecords, 2, 1018},
                    LimitCase{"FourLine", FrameKind::FourLineRecords, 4, 1012},
                    LimitCase{"BoxCodes", FrameKind::BoxVoiceCodes, 1, 512},
                    LimitCase{"BoxText", FrameKind::BoxVoiceText, 1, 502},
                    LimitCase{"Speech", FrameKind::SpeechBlock, 1, 502}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InputLimit, FramesWithoutInputTakeAnything) {
  for (const FrameKind kind : {FrameKind::GateOpen, FrameKind::GateClose, FrameKind::ReadCard}) {
    EXPECT_FALSE(InputLimit(kind));
    EXPECT_FALSE(CheckInputSizes(kind, std::vector<std::size_t>{100000}));
  }
}

PanelSelections Lane(LaneType lane, VoiceType voice = VoiceType::Speech) {
  PanelSelections selections;
  selections.lane = lane;
  selections.voice = voice;
  return selections;
}

PanelSelections Standard() {
  return Lane(LaneType::Standard);
}

PanelSelections Simple() {
  return Lane(LaneType::Simple);
}

PanelSelections WithSpaceCount(PanelSelections selections, std::string text) {
  selections.spaceCount = std::move(text);
  return selections;
}

struct PlanCase {
  const char* name;
  PanelCommand command;
  PanelSelections selections;
  PanelAction::Kind kind;
  const char* frame;  // hex, for SendFrame
  const char* notice;
};

class PanelPlanTest : public testing::TestWithParam<PlanCase> {};

TEST_P(PanelPlanTest, SendsTheFrameOrSaysWhyNot) {
  const PlanCase& c = GetParam();
  const PanelAction action = PlanPanelCommand(c.command, c.selections);

  EXPECT_EQ(action.kind, c.kind);
  EXPECT_EQ(hex_text::Text(action.frame.bytes), c.frame);
  EXPECT_EQ(action.notice, c.notice);
}

constexpr const char* kNotInSimpleLane = "简易系统不支持该功能";

INSTANTIATE_TEST_SUITE_P(
    Commands, PanelPlanTest,
    testing::Values(PlanCase{"ReadCardFallsBackToController1", PanelCommand::ReadCard, Standard(),
                             PanelAction::Kind::SendFrame,
                             "55 D5 44 00 00 00 01 00 05 87 BB A2 00 64 7E A6", ""},
                    PlanCase{"OpenGateSendsArgument5", PanelCommand::OpenGate, Standard(),
                             PanelAction::Kind::SendFrame,
                             "55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F8", ""},
                    PlanCase{"StandardDigitScreenFallsBackTo250", PanelCommand::DigitScreen,
                             WithSpaceCount(Standard(), "158"), PanelAction::Kind::SendFrame,
                             "55 D5 44 00 00 00 01 00 09 EB 71 A6 FA 00 31 35 38 0D AC 6B", ""},
                    PlanCase{"SimpleDigitScreenFallsBackTo254", PanelCommand::DigitScreen,
                             WithSpaceCount(Simple(), "158"), PanelAction::Kind::SendFrame,
                             "FE 00 31 35 38 0D", ""},
                    PlanCase{"SimpleClipsFallBackToBox98", PanelCommand::Voice2,
                             Lane(LaneType::Simple, VoiceType::Clips), PanelAction::Kind::SendFrame,
                             "05 12 62 02 14 03 13 04 12 05 11 00 0D", ""},
                    PlanCase{"SimpleOpenGateIsTheCameras", PanelCommand::OpenGate, Simple(),
                             PanelAction::Kind::CameraOpensGate, "", ""},
                    PlanCase{"SimpleCloseGate", PanelCommand::CloseGate, Simple(),
                             PanelAction::Kind::Refuse, "", kNotInSimpleLane},
                    PlanCase{"SimpleReadCard", PanelCommand::ReadCard, Simple(),
                             PanelAction::Kind::Refuse, "", kNotInSimpleLane}),
    [](const auto& info) { return std::string(info.param.name); });

struct BufferCase {
  const char* name;
  PanelSelections lane;
  std::size_t digits;
  const char* notice;  // empty: sent
};

class SendBufferTest : public testing::TestWithParam<BufferCase> {};

TEST_P(SendBufferTest, AFrameLongerThanTheSendBufferIsRefusedNamingTheField) {
  const BufferCase& c = GetParam();
  const PanelAction action = PlanPanelCommand(PanelCommand::DigitScreen,
                                              WithSpaceCount(c.lane, std::string(c.digits, '8')));

  if (*c.notice == '\0') {
    EXPECT_EQ(action.kind, PanelAction::Kind::SendFrame);
    EXPECT_EQ(action.frame.size(), kSendBufferBytes);
  } else {
    EXPECT_EQ(action.kind, PanelAction::Kind::Refuse);
    EXPECT_TRUE(action.frame.bytes.empty());
    EXPECT_EQ(action.notice, c.notice);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Digits, SendBufferTest,
    testing::Values(
        BufferCase{"SimpleAtTheBuffer", Simple(), 509, ""},
        BufferCase{"SimpleOneByteOver", Simple(), 510,
                   "未发送: 帧长 513 字节, 超出 512 字节的发送缓冲区, 请缩短 edtSpaceCount"},
        BufferCase{"StandardAtTheBuffer", Standard(), 495, ""},
        BufferCase{"StandardOneByteOver", Standard(), 496,
                   "未发送: 帧长 513 字节, 超出 512 字节的发送缓冲区, 请缩短 edtSpaceCount"},
        BufferCase{"StandardBeyondTheControllersOwnLimit", Standard(), 2000,
                   "未发送: 帧长 2017 字节, 超出 512 字节的发送缓冲区, 请缩短 edtSpaceCount"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PanelPlan, SpaceCountThatGbkCannotHoldIsRefusedNamingTheField) {
  for (const PanelSelections& lane : {Simple(), Standard()}) {
    const PanelAction action =
        PlanPanelCommand(PanelCommand::DigitScreen, WithSpaceCount(lane, "15😀"));

    EXPECT_EQ(action.kind, PanelAction::Kind::Refuse);
    EXPECT_EQ(action.notice,
              "未发送: edtSpaceCount 的内容无法用 GBK 编码 (text contains \"😀\" (U+1F600), "
              "which GBK cannot encode)");
  }
}

TEST(PanelPlan, TheTestSequenceIsThreeFixedControllerFrames) {
  const auto frames = TestSequenceFrames();

  EXPECT_EQ(hex_text::Text(frames[0].bytes),
            "55 D5 44 00 00 00 01 00 0C 46 26 A7 28 01 15 00 00 00 00 00 00 17 1A");
  EXPECT_EQ(hex_text::Text(frames[1].bytes),
            "55 D5 44 00 00 00 01 00 1E D5 15 A6 01 00 D4 C1 42 38 43 33 31 32 0D 02 00 30 CA B1 "
            "30 B7 D6 0D 03 00 30 2E 30 30 0D 8C F3");
  EXPECT_EQ(hex_text::Text(frames[2].bytes),
            "55 D5 44 00 00 00 01 00 0C 46 26 A7 30 00 00 00 00 00 00 00 00 9C 5E");
}

}  // namespace
}  // namespace protocol
