#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FrameRules.h"

namespace {

std::vector<std::uint8_t> Bytes(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t at = 0; at + 1 < hex.size(); at += 3)
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(at, 2), nullptr, 16)));
  return bytes;
}

std::string Repeated(const std::string& hexByte, int count) {
  std::string text;
  for (int index = 0; index < count; ++index) text += hexByte + " ";
  return text;
}

struct FrameCase {
  const char* name;
  std::string hex;
  bool allowed;
};

void PrintTo(const FrameCase& row, std::ostream* out) {
  *out << row.name << ": " << row.hex;
}

class FrameRulesTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameRulesTest, JudgesTheFrame) {
  const std::string objection = FrameObjection(Bytes(GetParam().hex));
  EXPECT_EQ(objection.empty(), GetParam().allowed) << objection;
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FrameRulesTest,
    ::testing::Values(
        FrameCase{"GateOpen", "55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F8", true},
        FrameCase{"GateOpenHeaderCrcOneBitOff", "55 D5 44 00 00 00 01 00 04 0F AA D0 05 2E F8",
                  false},
        FrameCase{"GateOpenBodyCrcOneBitOff", "55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F9",
                  false},
        FrameCase{"GateOpenCutShort", "55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E", false},
        FrameCase{"GateOpenAddressHighByteSet", "55 D5 44 00 00 01 01 00 04 0E AA D0 05 2E F8",
                  false},
        FrameCase{"GateClose", "55 D5 44 00 00 00 01 00 03 B1 DE D1 83 C8", true},
        FrameCase{"ReadCard", "55 D5 44 00 00 00 01 00 05 87 BB A2 00 64 7E A6", true},
        FrameCase{"CountDisplay", "55 D5 44 00 00 00 01 00 09 EB 71 A6 FA 00 31 35 38 0D AC 6B",
                  true},
        FrameCase{"VoiceCodes",
                  "55 D5 44 00 00 00 01 00 0C 46 26 A7 28 01 15 00 00 00 00 00 00 17 1A", true},
        FrameCase{"VoiceText",
                  "55 D5 44 00 00 00 01 00 0D CF 37 A7 62 FD 00 06 01 01 61 62 63 9B 78 A5", true},
        FrameCase{"ThreeLineDisplay",
                  "55 D5 44 00 00 00 01 00 1E D5 15 A6 01 00 D4 C1 42 38 43 33 31 32 0D 02 00 30 "
                  "CA B1 30 B7 D6 0D 03 00 30 2E 30 30 0D 8C F3",
                  true},
        FrameCase{"ReplyIsNoCommand",
                  "55 D5 44 00 00 00 01 00 11 22 ED A2 01 02 03 04 05 00 00 00 00 00 00 00 00 00 "
                  "3A 11",
                  false},
        FrameCase{"BoxSpeech", "05 12 62 FD 00 06 01 01 61 62 63 9B 0D", true},
        FrameCase{"BoxCodes", "05 12 62 02 14 03 13 04 12 05 11 00 0D", true},
        FrameCase{"BoxSpeechBadCheck", "05 12 62 FD 00 07 01 01 61 62 63 64 9B 0D", false},
        FrameCase{"BoxCodesWithoutEnd", "05 12 62 02 14 03 13 04 12 05 11 00 0E", false},
        FrameCase{"BoxTenCodes", "05 12 62 02 14 03 13 04 12 05 11 00 00 0D", false},
        FrameCase{"OneRecord", "FE 00 31 35 38 0D", true},
        FrameCase{"OneLongRecord", "01 20 31 32 33 34 35 36 37 38 39 0D", true},
        FrameCase{"OneLongRecordWithoutFlag", "01 00 31 32 33 34 35 36 37 38 39 0D", false},
        FrameCase{"EmptyRecord", "F0 00 0D", true},
        FrameCase{"RecordWithoutEnd", "FE 00 31 35 38", false},
        FrameCase{"TwoRecords", "01 00 41 0D 02 00 42 0D", true},
        FrameCase{"TwoRecordsOutOfOrder", "02 00 41 41 41 41 41 0D 01 00 42 0D", false},
        FrameCase{"ThreeBareRecords", "01 00 41 41 41 0D 02 00 42 0D 03 00 43 0D", false},
        FrameCase{"FourRecords", "01 00 41 0D 02 00 42 0D 03 00 43 0D 04 00 44 0D", true},
        FrameCase{"Nothing", "", false},
        FrameCase{"RecordOf512Bytes", "01 20 " + Repeated("31", 509) + "0D", true},
        FrameCase{"RecordOf513Bytes", "01 20 " + Repeated("31", 510) + "0D", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
