#include <gtest/gtest.h>

#include <functional>

#include "Controller.h"
#include "Gbk.h"
#include "HexText.h"

namespace protocol {
namespace {

using hex_text::Ascii;
using hex_text::Bytes;

struct FrameCase {
  const char* name;
  std::function<ByteFrame()> build;
  const char* expected;
};

class ControllerFrameTest : public testing::TestWithParam<FrameCase> {};

TEST_P(ControllerFrameTest, BuildsExpectedBytes) {
  EXPECT_EQ(hex_text::Text(GetParam().build().bytes), GetParam().expected);
}

constexpr const char* kGateOpenFallback = "55 D5 44 00 00 00 01 00 04 0E AA D0 03 18 9D";

INSTANTIATE_TEST_SUITE_P(
    GateAndCard, ControllerFrameTest,
    testing::Values(
        FrameCase{"GateOpen5", [] { return BuildGateOpenFrame(1, 5); },
                  "55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F8"},
        FrameCase{"GateOpenAddress16", [] { return BuildGateOpenFrame(16, 5); },
                  "55 D5 44 00 00 00 10 00 04 47 75 D0 05 2E F8"},
        FrameCase{"GateOpenAddressTakesLow8Bits", [] { return BuildGateOpenFrame(0x101, 5); },
                  "55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F8"},
        FrameCase{"GateOpen0Becomes3", [] { return BuildGateOpenFrame(1, 0); }, kGateOpenFallback},
        FrameCase{"GateOpen256Becomes3", [] { return BuildGateOpenFrame(1, 256); },
                  kGateOpenFallback},
        FrameCase{"GateOpenMinus1Becomes3", [] { return BuildGateOpenFrame(1, -1); },
                  kGateOpenFallback},
        FrameCase{"GateOpen1Kept", [] { return BuildGateOpenFrame(1, 1); },
                  "55 D5 44 00 00 00 01 00 04 0E AA D0 01 0A BE"},
        FrameCase{"GateOpen255Kept", [] { return BuildGateOpenFrame(1, 255); },
                  "55 D5 44 00 00 00 01 00 04 0E AA D0 FF FB A0"},
        FrameCase{"GateClose", [] { return BuildGateCloseFrame(1); },
                  "55 D5 44 00 00 00 01 00 03 B1 DE D1 83 C8"},
        FrameCase{"ReadCard100", [] { return BuildReadCardFrame(1, 100); },
                  "55 D5 44 00 00 00 01 00 05 87 BB A2 00 64 7E A6"},
        FrameCase{"ReadCardArgumentHighByteFirst", [] { return BuildReadCardFrame(2, 0x1234); },
                  "55 D5 44 00 00 00 02 00 05 E3 54 A2 12 34 DA 52"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Display, ControllerFrameTest,
    testing::Values(
        FrameCase{"Count158", [] { return BuildCountDisplayFrame(1, 250, Ascii("158")); },
                  "55 D5 44 00 00 00 01 00 09 EB 71 A6 FA 00 31 35 38 0D AC 6B"},
        FrameCase{"CountEightBytesShort",
                  [] { return BuildCountDisplayFrame(1, 250, Ascii("12345678")); },
                  "55 D5 44 00 00 00 01 00 0E 54 05 A6 FA 00 31 32 33 34 35 36 37 38 0D EB 90"},
        FrameCase{"CountNineBytesLong",
                  [] { return BuildCountDisplayFrame(1, 250, Ascii("123456789")); },
                  "55 D5 44 00 00 00 01 00 0F DD 14 A6 FA 20 31 32 33 34 35 36 37 38 39 0D E0 B1"},
        FrameCase{"CountEmpty", [] { return BuildCountDisplayFrame(1, 250, {}); },
                  "55 D5 44 00 00 00 01 00 06 1C 89 A6 FA 00 0D 2D CE"},
        FrameCase{"CountTextNotEscaped",
                  [] { return BuildCountDisplayFrame(1, 250, Bytes("0D 55")); },
                  "55 D5 44 00 00 00 01 00 08 62 60 A6 FA 00 0D 55 0D 93 CA"},
        FrameCase{"ThreeLineStandardLaneTexts",
                  [] {
                    return BuildThreeLineDisplayFrame(
                        1, Bytes("D4 C1 42 31 32 33 34 35"),
                        Bytes("CE DE D0 E8 C8 A1 BF A8 20 B3 B5 C5 C6 D7 D4 B6 AF CA B6 B1 F0"),
                        Bytes("D2 BB B3 B5 D2 BB B8 CB 20 B3 E5 B8 CB BA F3 B9 FB D7 D4 B8 BA"));
                  },
                  "55 D5 44 00 00 00 01 00 3E D7 34 A6 "
                  "01 00 D4 C1 42 31 32 33 34 35 0D "
                  "02 20 CE DE D0 E8 C8 A1 BF A8 20 B3 B5 C5 C6 D7 D4 B6 AF CA B6 B1 F0 0D "
                  "03 20 D2 BB B3 B5 D2 BB B8 CB 20 B3 E5 B8 CB BA F3 B9 FB D7 D4 B8 BA 0D 89 5C"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Voice, ControllerFrameTest,
    testing::Values(
        FrameCase{"CodesBeyondNineDropped",
                  [] { return BuildVoiceCodesFrame(1, Bytes("01 02 03 04 05 06 07 08 09 0A 0B")); },
                  "55 D5 44 00 00 00 01 00 0C 46 26 A7 01 02 03 04 05 06 07 08 09 AB 1A"},
        FrameCase{"TextAbc", [] { return BuildVoiceTextFrame(1, 98, Ascii("abc")); },
                  "55 D5 44 00 00 00 01 00 0D CF 37 A7 62 FD 00 06 01 01 61 62 63 9B 78 A5"},
        FrameCase{"TextNotEscaped", [] { return BuildVoiceTextFrame(1, 98, Bytes("0D 55")); },
                  "55 D5 44 00 00 00 01 00 0C 46 26 A7 62 FD 00 05 01 01 0D 55 A0 95 D1"},
        FrameCase{"TextWelcomeWithTag",
                  [] {
                    return BuildVoiceTextFrame(
                        1, 1,
                        Bytes("5B 6E 31 5D D4 C1 42 39 38 58 35 38 20 BB B6 D3 AD B9 E2 C1 D9"));
                  },
                  "55 D5 44 00 00 00 01 00 1F 5C 04 A7 01 FD 00 18 01 01 "
                  "5B 6E 31 5D D4 C1 42 39 38 58 35 38 20 BB B6 D3 AD B9 E2 C1 D9 AF 33 78"}),
    [](const auto& info) { return std::string(info.param.name); });

// The console's hidden test command sends these three frames, built from its
// own texts and codes.
TEST(HiddenTestFrames, AreBuiltByTheBuilders) {
  EXPECT_EQ(hex_text::Text(BuildVoiceCodesFrame(1, Bytes("28 01 15")).bytes),
            "55 D5 44 00 00 00 01 00 0C 46 26 A7 28 01 15 00 00 00 00 00 00 17 1A");
  EXPECT_EQ(hex_text::Text(BuildThreeLineDisplayFrame(1, EncodeGbk("粤B8C312"), EncodeGbk("0时0分"),
                                                      EncodeGbk("0.00"))
                               .bytes),
            "55 D5 44 00 00 00 01 00 1E D5 15 A6 01 00 D4 C1 42 38 43 33 31 32 0D 02 00 30 CA B1 "
            "30 B7 D6 0D 03 00 30 2E 30 30 0D 8C F3");
  EXPECT_EQ(hex_text::Text(BuildVoiceCodesFrame(1, Bytes("30")).bytes),
            "55 D5 44 00 00 00 01 00 0C 46 26 A7 30 00 00 00 00 00 00 00 00 9C 5E");
}

TEST(ControllerLayout, LengthFieldCoversBodyAndItsChecksum) {
  const ByteFrame frame = BuildCountDisplayFrame(1, 250, std::vector<std::uint8_t>(300, 0x31));
  ASSERT_EQ(frame.size(), 317u);
  // L = 300 + 6 = 0x0132, high byte first.
  EXPECT_EQ(frame.bytes[7], 0x01);
  EXPECT_EQ(frame.bytes[8], 0x32);
}

}  // namespace
}  // namespace protocol
