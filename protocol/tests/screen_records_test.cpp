#include <gtest/gtest.h>

#include <functional>

#include "HexText.h"
#include "ScreenRecords.h"

namespace protocol {
namespace {

using hex_text::Ascii;
using hex_text::Bytes;

struct RecordCase {
  const char* name;
  std::function<ByteFrame()> build;
  const char* expected;
};

class RecordTest : public testing::TestWithParam<RecordCase> {};

TEST_P(RecordTest, BuildsExpectedBytes) {
  EXPECT_EQ(hex_text::Text(GetParam().build().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Builders, RecordTest,
    testing::Values(
        RecordCase{"DigitScreen254", [] { return BuildOneLineRecord(254, Ascii("158")); },
                   "FE 00 31 35 38 0D"},
        RecordCase{"NineBytesAreLong", [] { return BuildOneLineRecord(1, Ascii("123456789")); },
                   "01 20 31 32 33 34 35 36 37 38 39 0D"},
        RecordCase{"EightBytesAreShort", [] { return BuildOneLineRecord(1, Ascii("12345678")); },
                   "01 00 31 32 33 34 35 36 37 38 0D"},
        RecordCase{"FourDoubleByteCharactersAreShort",
                   [] { return BuildOneLineRecord(2, Bytes("BB B6 D3 AD B9 E2 C1 D9")); },
                   "02 00 BB B6 D3 AD B9 E2 C1 D9 0D"},
        RecordCase{"EmptyText", [] { return BuildOneLineRecord(7, {}); }, "07 00 0D"},
        RecordCase{"NumberTakesLow8Bits", [] { return BuildOneLineRecord(0x1FE, Ascii("1")); },
                   "FE 00 31 0D"},
        RecordCase{"NegativeNumberTakesLow8Bits", [] { return BuildOneLineRecord(-2, {}); },
                   "FE 00 0D"},
        RecordCase{"CarriageReturnInTextIsNotEscaped",
                   [] { return BuildOneLineRecord(1, Bytes("41 0D 55 42")); },
                   "01 00 41 0D 55 42 0D"},
        RecordCase{"TwoLongRecords",
                   [] {
                     return BuildTwoLineRecords(1, Ascii("ABCDEFGHIJKLM"), 2,
                                                Ascii("NOPQRSTUVWXYZ"));
                   },
                   "01 20 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 0D "
                   "02 20 4E 4F 50 51 52 53 54 55 56 57 58 59 5A 0D"},
        RecordCase{"TwoLineScreenSimpleLaneTexts",
                   [] {
                     return BuildTwoLineRecords(1, Bytes("B5 DA D2 BB D0 D0 20 C1 BD D0 D0 C6 C1"),
                                                2, Bytes("B5 DA B6 FE D0 D0 20 C1 BD D0 D0 C6 C1"));
                   },
                   "01 20 B5 DA D2 BB D0 D0 20 C1 BD D0 D0 C6 C1 0D "
                   "02 20 B5 DA B6 FE D0 D0 20 C1 BD D0 D0 C6 C1 0D"},
        RecordCase{"FourRecordsEachWithItsOwnFlag",
                   [] {
                     return BuildFourLineRecords(1, Ascii("A"), 2, Ascii("BB"), 3, {}, 4,
                                                 Ascii("CCCCCCCCC"));
                   },
                   "01 00 41 0D 02 00 42 42 0D 03 00 0D 04 20 43 43 43 43 43 43 43 43 43 0D"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecordLayout, SecondOfTwoThirteenByteRecordsStartsAtOffset16) {
  const ByteFrame frame = BuildTwoLineRecords(1, std::vector<std::uint8_t>(13, 0x41), 2,
                                              std::vector<std::uint8_t>(13, 0x42));
  ASSERT_EQ(frame.size(), 32u);
  EXPECT_EQ(frame.bytes[16], 0x02);
  EXPECT_EQ(frame.bytes[17], 0x20);
}

}  // namespace
}  // namespace protocol
