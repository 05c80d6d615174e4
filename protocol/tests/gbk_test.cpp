#include <gtest/gtest.h>

#include "Gbk.h"
#include "HexText.h"

namespace protocol {
namespace {

struct GbkCase {
  const char* utf8;
  const char* gbk;
};

class GbkTextTest : public testing::TestWithParam<GbkCase> {};

TEST_P(GbkTextTest, Encodes) {
  EXPECT_EQ(hex_text::Text(EncodeGbk(GetParam().utf8)), GetParam().gbk);
}

TEST_P(GbkTextTest, DecodesBack) {
  EXPECT_EQ(DecodeGbk(hex_text::Bytes(GetParam().gbk)), GetParam().utf8);
}

// The console's fixed screen and speech texts, plus the code-page-936 euro sign.
INSTANTIATE_TEST_SUITE_P(
    ConsoleTexts, GbkTextTest,
    testing::Values(GbkCase{"", ""}, GbkCase{"abc", "61 62 63"},
                    GbkCase{"欢迎光临", "BB B6 D3 AD B9 E2 C1 D9"},
                    GbkCase{"粤B12345", "D4 C1 42 31 32 33 34 35"},
                    GbkCase{"无需取卡 车牌自动识别",
                            "CE DE D0 E8 C8 A1 BF A8 20 B3 B5 C5 C6 D7 D4 B6 AF CA B6 B1 F0"},
                    GbkCase{"一车一杆 冲杆后果自负",
                            "D2 BB B3 B5 D2 BB B8 CB 20 B3 E5 B8 CB BA F3 B9 FB D7 D4 B8 BA"},
                    GbkCase{"第一行 两行屏", "B5 DA D2 BB D0 D0 20 C1 BD D0 D0 C6 C1"},
                    GbkCase{"第二行 两行屏", "B5 DA B6 FE D0 D0 20 C1 BD D0 D0 C6 C1"},
                    GbkCase{"第三行 四行屏", "B5 DA C8 FD D0 D0 20 CB C4 D0 D0 C6 C1"},
                    GbkCase{"第四行 四行屏", "B5 DA CB C4 D0 D0 20 CB C4 D0 D0 C6 C1"},
                    GbkCase{"[n1]粤B98X58 欢迎光临",
                            "5B 6E 31 5D D4 C1 42 39 38 58 35 38 20 BB B6 D3 AD B9 E2 C1 D9"},
                    GbkCase{"粤B8A888 请交费168元",
                            "D4 C1 42 38 41 38 38 38 20 C7 EB BD BB B7 D1 31 36 38 D4 AA"},
                    GbkCase{"[n2]请交费18.88元",
                            "5B 6E 32 5D C7 EB BD BB B7 D1 31 38 2E 38 38 D4 AA"},
                    GbkCase{"粤B8C312", "D4 C1 42 38 43 33 31 32"},
                    GbkCase{"0时0分", "30 CA B1 30 B7 D6"}, GbkCase{"€", "80"}));

struct RefusedCase {
  const char* name;
  std::string utf8;
  const char* messagePart;
};

class GbkRefusedTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(GbkRefusedTest, ThrowsNamingTheProblem) {
  try {
    EncodeGbk(GetParam().utf8);
    FAIL() << "no error for " << GetParam().name;
  } catch (const TextEncodingError& error) {
    EXPECT_NE(std::string(error.what()).find(GetParam().messagePart), std::string::npos)
        << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, GbkRefusedTest,
    testing::Values(
        RefusedCase{"Emoji", "ab😀cd", "text contains \"😀\" (U+1F600), which GBK cannot encode"},
        RefusedCase{"TagCharacterThatIconvWouldDrop", "\xF3\xA0\x80\xA0",
                    "(U+E0020), which GBK cannot encode"},
        RefusedCase{"Hangul", "한", "\"한\" (U+D55C), which GBK cannot encode"},
        RefusedCase{"StrayContinuationByte", "ab\x80", "not valid UTF-8 (byte 0x80 at offset 2)"},
        RefusedCase{"InvalidByte", "\xFF", "not valid UTF-8 (byte 0xFF at offset 0)"},
        RefusedCase{"TruncatedSequence", "a\xE6\xAC", "not valid UTF-8 (byte 0xE6 at offset 1)"},
        RefusedCase{"OverlongSlash", "\xC0\xAF", "not valid UTF-8"},
        RefusedCase{"Surrogate", "\xED\xA0\x80", "not valid UTF-8"},
        RefusedCase{"AboveUnicodeRange", "\xF4\x90\x80\x80", "not valid UTF-8"}),
    [](const auto& info) { return std::string(info.param.name); });

struct DecodeCase {
  const char* name;
  const char* gbk;
  const char* utf8;
};

class GbkDecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(GbkDecodeTest, ReplacesWhatIsNotGbk) {
  EXPECT_EQ(DecodeGbk(hex_text::Bytes(GetParam().gbk)), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Bytes, GbkDecodeTest,
                         testing::Values(DecodeCase{"InvalidByte", "41 FF 42", "A\uFFFDB"},
                                         DecodeCase{"LeadByteAtEnd", "41 D4", "A\uFFFD"},
                                         DecodeCase{"LeadByteBeforeRecordEnd", "D4 0D", "\uFFFD\r"},
                                         DecodeCase{"OnlyInvalid", "FF FF", "\uFFFD\uFFFD"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace protocol
