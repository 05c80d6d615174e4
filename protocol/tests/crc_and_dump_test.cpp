#include <gtest/gtest.h>

#include "Crc16.h"
#include "HexDump.h"
#include "HexText.h"

namespace protocol {
namespace {

struct CrcCase {
  const char* name;
  std::uint16_t initial;
  std::uint16_t polynomial;
  const char* bufferHex;
  std::int32_t count;
  std::int32_t start;
  std::uint16_t expected;
};

class CrcTest : public testing::TestWithParam<CrcCase> {};

TEST_P(CrcTest, Computes) {
  const CrcCase& c = GetParam();
  const std::vector<std::uint8_t> buffer = hex_text::Bytes(c.bufferHex);
  EXPECT_EQ(CalcCrc16(c.initial, c.polynomial, buffer, c.count, c.start), c.expected);
}

constexpr const char* kDigits = "31 32 33 34 35 36 37 38 39";
constexpr const char* kPaddedDigits = "AA 31 32 33 34 35 36 37 38 39 BB";
constexpr const char* kDigitsAfterOneByte = "AA 31 32 33 34 35 36 37 38 39";

INSTANTIATE_TEST_SUITE_P(
    Ranges, CrcTest,
    testing::Values(
        CrcCase{"Mcrf4xxCheckValue", 0xFFFF, 0x8408, kDigits, 9, 0, 0x6F91},
        CrcCase{"KermitParameters", 0x0000, 0x8408, kDigits, 9, 0, 0x2189},
        CrcCase{"ArcParameters", 0x0000, 0xA001, kDigits, 9, 0, 0xBB3D},
        CrcCase{"CountZeroGivesInitial", 0xFFFF, 0x8408, kDigits, 0, 0, 0xFFFF},
        CrcCase{"NegativeCountGivesInitial", 0x1234, 0x8408, kDigits, -5, 0, 0x1234},
        CrcCase{"StartOffsetSkipsLeadingBytes", 0xFFFF, 0x8408, kPaddedDigits, 9, 1, 0x6F91},
        CrcCase{"CountPastEndIsClipped", 0xFFFF, 0x8408, kDigitsAfterOneByte, 1000, 1, 0x6F91},
        CrcCase{"NegativeStartIsClipped", 0xFFFF, 0x8408, kDigits, 12, -3, 0x6F91},
        CrcCase{"StartPastEndGivesInitial", 0xFFFF, 0x8408, kDigits, 4, 9, 0xFFFF},
        CrcCase{"HugeCountDoesNotOverflow", 0xFFFF, 0x8408, kDigitsAfterOneByte, INT32_MAX, 1,
                0x6F91},
        CrcCase{"EmptyBuffer", 0xFFFF, 0x8408, "", 8, 0, 0xFFFF},
        CrcCase{"GateOpenHeader", 0xFFFF, 0x8408, "55 D5 44 00 00 00 01 00 04", 8, 1, 0xAA0E}),
    [](const auto& info) { return std::string(info.param.name); });

struct DumpCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
  const char* line;
  const char* received;
};

class DumpTest : public testing::TestWithParam<DumpCase> {};

TEST_P(DumpTest, SentLineHasLeadingBlanks) {
  EXPECT_EQ(HexDumpLine(GetParam().bytes), GetParam().line);
}

TEST_P(DumpTest, ReceivedDumpHasTrailingBlanks) {
  EXPECT_EQ(ReceivedDump(GetParam().bytes), GetParam().received);
}

INSTANTIATE_TEST_SUITE_P(Forms, DumpTest,
                         testing::Values(DumpCase{"Empty", {}, "", ""},
                                         DumpCase{"OneByte", {0x0A}, " 0A", "0A "},
                                         DumpCase{"UpperCaseDigits",
                                                  {0x55, 0xD5, 0x00, 0xFF, 0xab},
                                                  " 55 D5 00 FF AB",
                                                  "55 D5 00 FF AB "}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace protocol
