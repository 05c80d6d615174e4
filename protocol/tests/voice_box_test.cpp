#include <gtest/gtest.h>

#include <functional>

#include "HexText.h"
#include "VoiceBox.h"

namespace protocol {
namespace {

using hex_text::Ascii;
using hex_text::Bytes;

struct VoiceCase {
  const char* name;
  std::function<ByteFrame()> build;
  const char* expected;
};

class VoiceBoxTest : public testing::TestWithParam<VoiceCase> {};

TEST_P(VoiceBoxTest, BuildsExpectedBytes) {
  EXPECT_EQ(hex_text::Text(GetParam().build().bytes), GetParam().expected);
}

constexpr const char* kSimpleLaneCodes = "02 14 03 13 04 12 05 11 00";

INSTANTIATE_TEST_SUITE_P(
    Builders, VoiceBoxTest,
    testing::Values(
        VoiceCase{"SpeechBlockAbc", [] { return SpeechBlock(Ascii("abc")); },
                  "FD 00 06 01 01 61 62 63 9B"},
        VoiceCase{"SpeechBlockEmpty", [] { return SpeechBlock({}); }, "FD 00 03 01 01 FE"},
        VoiceCase{"SpeechBlockKeepsInlineTags", [] { return SpeechBlock(Ascii("[n1]")); },
                  "FD 00 07 01 01 5B 6E 31 5D A3"},
        VoiceCase{"BoxSpeechAbc", [] { return BuildBoxVoiceTextFrame(98, Ascii("abc")); },
                  "05 12 62 FD 00 06 01 01 61 62 63 9B 0D"},
        VoiceCase{"BoxSpeechWelcome",
                  [] { return BuildBoxVoiceTextFrame(98, Bytes("BB B6 D3 AD B9 E2 C1 D9")); },
                  "05 12 62 FD 00 0B 01 01 BB B6 D3 AD B9 E2 C1 D9 C6 0D"},
        VoiceCase{"BoxSpeechNumberTakesLow8Bits",
                  [] { return BuildBoxVoiceTextFrame(98 + 256, {}); },
                  "05 12 62 FD 00 03 01 01 FE 0D"},
        VoiceCase{"BoxCodesNine",
                  [] { return BuildBoxVoiceCodesFrame(98, Bytes(kSimpleLaneCodes)); },
                  "05 12 62 02 14 03 13 04 12 05 11 00 0D"},
        VoiceCase{"BoxCodesEightArePadded",
                  [] { return BuildBoxVoiceCodesFrame(98, Bytes("02 14 03 13 04 12 05 11")); },
                  "05 12 62 02 14 03 13 04 12 05 11 00 0D"},
        VoiceCase{"BoxCodesNoneAllZero", [] { return BuildBoxVoiceCodesFrame(110, {}); },
                  "05 12 6E 00 00 00 00 00 00 00 00 00 0D"},
        VoiceCase{
            "BoxCodesBeyondNineDropped",
            [] { return BuildBoxVoiceCodesFrame(97, Bytes("01 02 03 04 05 06 07 08 09 0A 0B")); },
            "05 12 61 01 02 03 04 05 06 07 08 09 0D"}),
    [](const auto& info) { return std::string(info.param.name); });

struct LengthCase {
  std::size_t textBytes;
  const char* head;
  std::uint8_t check;
};

class SpeechLengthTest : public testing::TestWithParam<LengthCase> {};

// Zero text bytes leave the check byte to the five head bytes alone.
TEST_P(SpeechLengthTest, LengthFieldIsBigEndian) {
  const LengthCase& c = GetParam();
  const ByteFrame block = SpeechBlock(std::vector<std::uint8_t>(c.textBytes, 0x00));
  ASSERT_EQ(block.size(), c.textBytes + 6);
  EXPECT_EQ(hex_text::Text(block.view().first(5)), c.head);
  EXPECT_EQ(block.bytes.back(), c.check);
}

INSTANTIATE_TEST_SUITE_P(CarryIntoHighByte, SpeechLengthTest,
                         testing::Values(LengthCase{252, "FD 00 FF 01 01", 0x02},
                                         LengthCase{253, "FD 01 00 01 01", 0xFC},
                                         LengthCase{256, "FD 01 03 01 01", 0xFF}));

}  // namespace
}  // namespace protocol
