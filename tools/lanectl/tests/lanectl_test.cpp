#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "LaneCtl.h"

namespace {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

ToolRun RunTool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunLaneCtl(args, out, err);
  return {status, out.str(), err.str()};
}

// "hex:" text of `count` bytes 0x41.
std::string HexText(std::size_t count) {
  std::string text = "hex:";
  for (std::size_t i = 0; i < count; ++i) text += "41";
  return text;
}

std::string HexCodes(std::size_t count) {
  return HexText(count).substr(4);
}

struct GoodCase {
  const char* name;
  std::vector<std::string> args;
  std::string out;
};

class LaneCtlGoodTest : public testing::TestWithParam<GoodCase> {};

TEST_P(LaneCtlGoodTest, PrintsExpectedOutput) {
  const ToolRun run = RunTool(GetParam().args);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, GetParam().out);
  EXPECT_EQ(run.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Build, LaneCtlGoodTest,
    testing::Values(
        GoodCase{"GateOpenDefaultArgument",
                 {"build", "gate-open", "--address", "1"},
                 " 55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F8\n"},
        GoodCase{"GateOpenNegativeArgumentFallsBack",
                 {"build", "gate-open", "--address", "1", "--arg", "-1"},
                 " 55 D5 44 00 00 00 01 00 04 0E AA D0 03 18 9D\n"},
        GoodCase{"AddressTakesLow8Bits",
                 {"build", "gate-open", "--address=257"},
                 " 55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F8\n"},
        GoodCase{"GateClose",
                 {"build", "gate-close", "--address", "1"},
                 " 55 D5 44 00 00 00 01 00 03 B1 DE D1 83 C8\n"},
        GoodCase{"ReadCardDefaultArgument",
                 {"build", "read-card", "--address", "1"},
                 " 55 D5 44 00 00 00 01 00 05 87 BB A2 00 64 7E A6\n"},
        GoodCase{"ReadArgumentTakesLow16Bits",
                 {"build", "read-card", "--address", "2", "--arg", "70196"},
                 " 55 D5 44 00 00 00 02 00 05 E3 54 A2 12 34 DA 52\n"},
        GoodCase{"CountDisplay",
                 {"build", "count-display", "--address", "1", "--screen", "250", "--text", "158"},
                 " 55 D5 44 00 00 00 01 00 09 EB 71 A6 FA 00 31 35 38 0D AC 6B\n"},
        GoodCase{"ThreeLineInGbk",
                 {"build", "three-line", "--address", "1", "--line1", "粤B8C312", "--line2",
                  "0时0分", "--line3", "0.00"},
                 " 55 D5 44 00 00 00 01 00 1E D5 15 A6 01 00 D4 C1 42 38 43 33 31 32 0D 02 00 30 "
                 "CA B1 30 B7 D6 0D 03 00 30 2E 30 30 0D 8C F3\n"},
        GoodCase{"VoiceCodesWithBlanks",
                 {"build", "voice-codes", "--address", "1", "--codes", " 28 0115 "},
                 " 55 D5 44 00 00 00 01 00 0C 46 26 A7 28 01 15 00 00 00 00 00 00 17 1A\n"},
        GoodCase{"VoiceText",
                 {"build", "voice-text", "--address", "1", "--voice", "98", "--text", "abc"},
                 " 55 D5 44 00 00 00 01 00 0D CF 37 A7 62 FD 00 06 01 01 61 62 63 9B 78 A5\n"},
        GoodCase{"VoiceTextFromHex",
                 {"build", "voice-text", "--address", "1", "--voice", "98", "--text", "hex:0d 55"},
                 " 55 D5 44 00 00 00 01 00 0C 46 26 A7 62 FD 00 05 01 01 0D 55 A0 95 D1\n"},
        GoodCase{"OneLine",
                 {"build", "one-line", "--number", "254", "--text", "158"},
                 " FE 00 31 35 38 0D\n"},
        GoodCase{"TwoLine",
                 {"build", "two-line", "--number1", "1", "--text1", "第一行 两行屏", "--number2",
                  "2", "--text2", "hex:"},
                 " 01 20 B5 DA D2 BB D0 D0 20 C1 BD D0 D0 C6 C1 0D 02 00 0D\n"},
        GoodCase{
            "FourLine",
            {"build", "four-line", "--number1", "1", "--text1", "A", "--number2", "2", "--text2",
             "BB", "--number3", "3", "--text3", "", "--number4", "-252", "--text4", "CCCCCCCCC"},
            " 01 00 41 0D 02 00 42 42 0D 03 00 0D 04 20 43 43 43 43 43 43 43 43 43 0D\n"},
        GoodCase{"BoxCodes",
                 {"build", "box-codes", "--box", "98", "--codes", "02 14 03 13 04 12 05 11"},
                 " 05 12 62 02 14 03 13 04 12 05 11 00 0D\n"},
        GoodCase{"BoxText",
                 {"build", "box-text", "--box", "98", "--text", "欢迎光临"},
                 " 05 12 62 FD 00 0B 01 01 BB B6 D3 AD B9 E2 C1 D9 C6 0D\n"},
        GoodCase{"Speech", {"build", "speech", "--text", "abc"}, " FD 00 06 01 01 61 62 63 9B\n"},
        GoodCase{"RawIsBinary",
                 {"build", "gate-open", "--raw", "--address", "1"},
                 std::string("\x55\xD5\x44\x00\x00\x00\x01\x00\x04\x0E\xAA\xD0\x05\x2E\xF8", 15)}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ParseAndCrc, LaneCtlGoodTest,
    testing::Values(
        GoodCase{
            "CardReplyAfterNoise",
            {"parse",
             "00 11 55 D5 44 00 00 00 01 00 11 AA BB A2 01 02 03 04 05 12 34 07 AA BB CC 00 00 "
             "00 EE FF"},
            "{\"result\":0,\"command\":162,\"address\":1,\"card_number\":21542142465,"
            "\"value17\":4660,\"low2_of_19\":3,\"bit2_of_19\":1,\"byte20\":170,"
            "\"byte21\":187,\"byte22\":204}\n"},
        GoodCase{"ValueReplyInSeveralWords",
                 {"parse", "55D5440000", "0201 0004 0000", "E3", "1234"},
                 "{\"result\":0,\"command\":227,\"address\":513,\"e3_value\":4660}\n"},
        GoodCase{"NoReply", {"parse", "55 D5 44"}, "{\"result\":1}\n"},
        GoodCase{"EmptyChunk", {"parse", ""}, "{\"result\":1}\n"},
        GoodCase{"CrcCheckValue", {"crc", "31 32 33 34 35 36 37 38 39"}, "6F91\n"},
        GoodCase{"CrcOfNothing", {"crc", ""}, "FFFF\n"},
        GoodCase{"CrcOfHeader", {"crc", "D5 44 00 00 00 01 00 04"}, "AA0E\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadCase {
  const char* name;
  std::vector<std::string> args;
};

class LaneCtlBadTest : public testing::TestWithParam<BadCase> {};

TEST_P(LaneCtlBadTest, RefusesWithOneLine) {
  const ToolRun run = RunTool(GetParam().args);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(run.err.starts_with("lanectl: ")) << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, LaneCtlBadTest,
    testing::Values(
        BadCase{"Nothing", {}}, BadCase{"EmptyWord", {""}}, BadCase{"UnknownCommand", {"frob"}},
        BadCase{"BuildWithoutFrame", {"build"}},
        BadCase{"UnknownFrame", {"build", "gate-opn", "--address", "1"}},
        BadCase{"UnknownOption", {"build", "gate-close", "--address", "1", "--speed", "3"}},
        BadCase{"MissingOption", {"build", "gate-open"}},
        BadCase{"MissingValue", {"build", "gate-open", "--address"}},
        BadCase{"OptionTwice", {"build", "gate-close", "--address", "1", "--address", "2"}},
        BadCase{"TwoFrames", {"build", "gate-close", "--address", "1", "gate-close"}},
        BadCase{"ParseWithoutHex", {"parse"}}, BadCase{"RawOnParse", {"parse", "--raw", "55"}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Values, LaneCtlBadTest,
    testing::Values(
        BadCase{"NumberWithLetters", {"build", "gate-close", "--address", "1a"}},
        BadCase{"HexNumber", {"build", "gate-close", "--address", "0x10"}},
        BadCase{"NumberWithPlus", {"build", "gate-close", "--address", "+1"}},
        BadCase{"EmptyNumber", {"build", "gate-close", "--address", ""}},
        BadCase{"NumberWithNewline", {"build", "gate-close", "--address", "1\n2"}},
        BadCase{"NumberTooBig", {"build", "gate-close", "--address", "2147483648"}},
        BadCase{"NumberTooSmall", {"build", "gate-open", "--address", "1", "--arg=-2147483649"}},
        BadCase{"OddHexCodes", {"build", "voice-codes", "--address", "1", "--codes", "28 0"}},
        BadCase{"PairSplitByBlank", {"build", "box-codes", "--box", "98", "--codes", "2 8"}},
        BadCase{"NonHexCodes", {"build", "box-codes", "--box", "98", "--codes", "2G"}},
        BadCase{"OddHexText", {"build", "speech", "--text", "hex:414"}},
        BadCase{"NonHexChunk", {"parse", "55 D5 XY"}}, BadCase{"OddCrcInput", {"crc", "313"}},
        BadCase{"TextNotInGbk", {"build", "speech", "--text", "ab😀"}},
        BadCase{"TextNotUtf8", {"build", "box-text", "--box", "98", "--text", "\xFF"}},
        BadCase{"SecondTextNotInGbk",
                {"build", "three-line", "--address", "1", "--line1", "a", "--line2", "한",
                 "--line3", "c"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LaneCtlMessages, NameTheOptionAndTheProblem) {
  EXPECT_EQ(RunTool({"build", "gate-close", "--address", "x"}).err,
            "lanectl: --address: \"x\" is not a decimal integer\n");
  EXPECT_EQ(RunTool({"build", "speech", "--text", "😀"}).err,
            "lanectl: --text: text contains \"😀\" (U+1F600), which GBK cannot encode\n");
  EXPECT_EQ(RunTool({"build", "speech", "--text", HexText(503)}).err,
            "lanectl: --text: 503 bytes, more than the 502 this frame can carry\n");
  EXPECT_EQ(RunTool({"build", "gate-opn", "--address", "1"}).err,
            "lanectl: \"gate-opn\" is not a frame (see lanectl --help)\n");
  EXPECT_EQ(
      RunTool({"frob"}).err,
      "lanectl: \"frob\" is not a command (build, parse, crc, send, plate, discover or camera)\n");
  EXPECT_EQ(RunTool({"build", "gate-close"}).err, "lanectl: --address is required\n");
}

// `sized` options share the bytes under test: the first gets all but one byte
// per other option, which get one each.
struct LimitCase {
  const char* name;
  std::vector<std::string> args;
  std::vector<std::string> sized;
  std::size_t limit;
};

std::vector<std::string> WithBytes(const LimitCase& c, std::size_t total) {
  std::vector<std::string> args = c.args;
  for (std::size_t i = 0; i < c.sized.size(); ++i) {
    const std::size_t bytes = i == 0 ? total - (c.sized.size() - 1) : 1;
    args.push_back(c.sized[i]);
    args.push_back(c.sized[i] == "--codes" ? HexCodes(bytes) : HexText(bytes));
  }
  return args;
}

class LaneCtlLimitTest : public testing::TestWithParam<LimitCase> {};

TEST_P(LaneCtlLimitTest, AcceptsTheLimitAndRefusesOneMore) {
  const ToolRun atLimit = RunTool(WithBytes(GetParam(), GetParam().limit));
  EXPECT_EQ(atLimit.status, 0) << atLimit.err;
  const ToolRun over = RunTool(WithBytes(GetParam(), GetParam().limit + 1));
  EXPECT_EQ(over.status, 2);
  EXPECT_EQ(over.out, "");
  EXPECT_TRUE(over.err.starts_with("lanectl: ")) << over.err;
}

INSTANTIATE_TEST_SUITE_P(
    Frames, LaneCtlLimitTest,
    testing::Values(LimitCase{"VoiceText",
                              {"build", "voice-text", "--address", "1", "--voice", "1"},
                              {"--text"},
                              491},
                    LimitCase{
                        "VoiceCodes", {"build", "voice-codes", "--address", "1"}, {"--codes"}, 512},
                    LimitCase{"CountDisplay",
                              {"build", "count-display", "--address", "1", "--screen", "250"},
                              {"--text"},
                              1007},
                    LimitCase{"ThreeLineTogether",
                              {"build", "three-line", "--address", "1"},
                              {"--line1", "--line2", "--line3"},
                              1001},
                    LimitCase{"OneLine", {"build", "one-line", "--number", "1"}, {"--text"}, 1021},
                    LimitCase{"TwoLineTogether",
                              {"build", "two-line", "--number1", "1", "--number2", "2"},
                              {"--text1", "--text2"},
                              1018},
                    LimitCase{"FourLineTogether",
                              {"build", "four-line", "--number1", "1", "--number2", "2",
                               "--number3", "3", "--number4", "4"},
                              {"--text1", "--text2", "--text3", "--text4"},
                              1012},
                    LimitCase{"BoxCodes", {"build", "box-codes", "--box", "98"}, {"--codes"}, 512},
                    LimitCase{"BoxText", {"build", "box-text", "--box", "98"}, {"--text"}, 502},
                    LimitCase{"Speech", {"build", "speech"}, {"--text"}, 502}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LaneCtlHelp, ListsEveryFrameAndTheValueRules) {
  const ToolRun run = RunTool({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  for (const char* expected :
       {"gate-open",  "gate-close", "read-card", "count-display", "three-line", "voice-codes",
        "voice-text", "one-line",   "two-line",  "four-line",     "box-codes",  "box-text",
        "speech",     "parse",      "crc",       "--raw",         "--line3",    "--number4",
        "--text4",    "--codes",    "--voice",   "--screen",      "--box",      "hex:"}) {
    EXPECT_NE(run.out.find(expected), std::string::npos) << expected;
  }
}

TEST(LaneCtlHelp, VersionIsPrintedWithoutACommand) {
  const ToolRun run = RunTool({"--version"});
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(std::regex_match(run.out, std::regex(R"(lanectl \d+\.\d+\.\d+\n)"))) << run.out;
  EXPECT_EQ(run.err, "");
}

TEST(LaneCtlHelp, FrameHelpShowsItsOptions) {
  const ToolRun run = RunTool({"build", "read-card", "--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("--arg"), std::string::npos);
  EXPECT_NE(run.out.find("100"), std::string::npos);
}

}  // namespace
