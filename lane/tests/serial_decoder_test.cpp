#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "LaneTestSupport.h"
#include "SerialDecoder.h"

namespace virtual_lane {
namespace {

using testing::ByteVector;
using testing::Hex;
using testing::HexOf;
using testing::Join;

std::string Describe(const SerialMessage& message) {
  struct {
    std::string operator()(const ControllerFrame& f) const {
      return "controller " + std::to_string(f.address) + " " + HexOf(&f.command, 1) + " [" +
             HexOf(f.payload.data(), f.payload.size()) + "]";
    }
    std::string operator()(const ScreenRecord& r) const {
      return "record " + HexOf(&r.number, 1) + " " + HexOf(&r.flag, 1) + " [" +
             HexOf(r.text.data(), r.text.size()) + "]";
    }
    std::string operator()(const VoiceClips& v) const {
      return "clips " + HexOf(&v.box, 1) + " [" + HexOf(v.codes.data(), v.codes.size()) + "]";
    }
    std::string operator()(const VoiceSpeech& v) const {
      return "speech " + HexOf(&v.box, 1) + " [" + HexOf(v.text.data(), v.text.size()) + "]";
    }
    std::string operator()(const DecodeFault& f) const {
      static const char* const kNames[] = {"header", "body", "length", "speech", "truncated"};
      return std::string("fault ") + kNames[static_cast<int>(f.kind)];
    }
  } describe;
  return std::visit(describe, message);
}

struct Recorder {
  std::vector<std::string> seen;
  SerialDecoder decoder{[this](const SerialMessage& m) { seen.push_back(Describe(m)); }};
};

const ByteVector kGateOpen = Hex("55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F8");
const ByteVector kRecordFE = Hex("FE 00 31 35 38 0D");
const std::string kGateOpenSeen = "controller 1 D0 [05]";

struct Case {
  const char* name;
  ByteVector bytes;
  std::vector<std::string> expected;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

const Case kFrames[] = {
    {"GateOpen", kGateOpen, {kGateOpenSeen}},
    {"GateClose", Hex("55 D5 44 00 00 00 01 00 03 B1 DE D1 83 C8"), {"controller 1 D1 []"}},
    {"ReadCard",
     Hex("55 D5 44 00 00 00 01 00 05 87 BB A2 00 64 7E A6"),
     {"controller 1 A2 [00 64]"}},
    {"CountDisplay",
     Hex("55 D5 44 00 00 00 01 00 09 EB 71 A6 FA 00 31 35 38 0D AC 6B"),
     {"controller 1 A6 [FA 00 31 35 38 0D]"}},
    {"CountDisplayTextWith55And0D",
     Hex("55 D5 44 00 00 00 01 00 09 EB 71 A6 FA 00 55 0D 31 0D D0 17"),
     {"controller 1 A6 [FA 00 55 0D 31 0D]"}},
    {"VoiceTextFrame",
     Hex("55 D5 44 00 00 00 01 00 0D CF 37 A7 62 FD 00 06 01 01 61 62 63 9B 78 A5"),
     {"controller 1 A7 [62 FD 00 06 01 01 61 62 63 9B]"}},
    {"ControllerAddress16",
     Hex("55 D5 44 00 00 00 10 00 03 F8 01 D1 83 C8"),
     {"controller 16 D1 []"}},
    {"RecordScreen254", kRecordFE, {"record FE 00 [31 35 38]"}},
    {"RecordLongText",
     Hex("01 20 31 32 33 34 35 36 37 38 39 0D"),
     {"record 01 20 [31 32 33 34 35 36 37 38 39]"}},
    {"RecordEmpty", Hex("01 00 0D"), {"record 01 00 []"}},
    {"RecordNumbered55", Hex("55 00 41 0D"), {"record 55 00 [41]"}},
    {"TwoRecords", Hex("01 00 41 0D 02 20 42 0D"), {"record 01 00 [41]", "record 02 20 [42]"}},
    {"VoiceSpeech", Hex("05 12 62 FD 00 06 01 01 61 62 63 9B 0D"), {"speech 62 [61 62 63]"}},
    {"VoiceSpeechEmpty", Hex("05 12 61 FD 00 03 01 01 FE 0D"), {"speech 61 []"}},
    {"VoiceClips",
     Hex("05 12 62 02 14 03 13 04 12 05 11 00 0D"),
     {"clips 62 [02 14 03 13 04 12 05 11 00]"}},
    {"AllKindsInARow",
     Join({kRecordFE, kGateOpen, Hex("05 12 62 FD 00 03 01 01 FE 0D")}),
     {"record FE 00 [31 35 38]", kGateOpenSeen, "speech 62 []"}},
};

class DecodesFrame : public ::testing::TestWithParam<Case> {};

TEST_P(DecodesFrame, InOneChunk) {
  Recorder recorder;
  recorder.decoder.Feed(GetParam().bytes);
  EXPECT_EQ(recorder.seen, GetParam().expected);
  EXPECT_EQ(recorder.decoder.Pending(), 0U);
}

TEST_P(DecodesFrame, ByteByByte) {
  Recorder recorder;
  for (std::uint8_t byte : GetParam().bytes) recorder.decoder.Feed({&byte, 1});
  EXPECT_EQ(recorder.seen, GetParam().expected);
}

TEST_P(DecodesFrame, AfterGarbage) {
  Recorder recorder;
  recorder.decoder.Feed(Join({Hex("00 FF 13 55 D5 44 05 37 20 41"), GetParam().bytes}));
  EXPECT_EQ(recorder.seen, GetParam().expected);
  EXPECT_EQ(recorder.decoder.Faults(), 0);
}

INSTANTIATE_TEST_SUITE_P(Frames, DecodesFrame, ::testing::ValuesIn(kFrames),
                         [](const auto& info) { return std::string(info.param.name); });

struct FaultCase {
  const char* name;
  ByteVector bytes;
  std::vector<std::string> expected;
  int faults;
};

void PrintTo(const FaultCase& c, std::ostream* out) {
  *out << c.name;
}

// Each bad frame is followed by a good one, which must still come through.
const FaultCase kFaults[] = {
    {"BodyCrcOneBitOff",
     Join({Hex("55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F9"), kGateOpen}),
     {"fault body", kGateOpenSeen},
     1},
    {"HeaderCrcWrong",
     Join({Hex("55 D5 44 00 00 00 01 00 04 0F AA D0 05 2E F8"), kGateOpen}),
     {"fault header", kGateOpenSeen},
     1},
    {"LengthTooShortForACommand",
     Join({Hex("55 D5 44 00 00 00 01 00 02 38 CF D0"), kGateOpen}),
     {"fault length", kGateOpenSeen},
     1},
    {"LengthPastAnyFrame",
     Join({Hex("55 D5 44 00 00 00 01 03 F6 FB 54 D0"), kGateOpen}),
     {"fault length", kGateOpenSeen},
     1},
    {"LengthOneTooLong",
     Join({Hex("55 D5 44 00 00 00 01 00 05 87 BB D0 05 2E F8"), kGateOpen}),
     {"fault body", kGateOpenSeen},
     1},
    {"LengthOneTooShort",
     Join({Hex("55 D5 44 00 00 00 01 00 03 B1 DE D0 05 2E F8"), kGateOpen}),
     {"fault body", kGateOpenSeen},
     1},
    {"SpeechXorWrong",
     Join({Hex("05 12 62 FD 00 06 01 01 61 62 63 9C 0D"), kGateOpen}),
     {"fault speech", kGateOpenSeen},
     1},
    {"SpeechWithoutEndByte",
     Join({Hex("05 12 62 FD 00 06 01 01 61 62 63 9B 0E"), kGateOpen}),
     {"fault speech", kGateOpenSeen},
     1},
    {"SpeechLengthTooShort",
     Join({Hex("05 12 62 FD 00 02 01 01"), kGateOpen}),
     {"fault length", kGateOpenSeen},
     1},
    // The body of a broken display frame holds what looks like a record: not believed.
    {"BrokenFrameBodyIsNoRecord",
     Join({Hex("55 D5 44 00 00 00 01 00 09 EB 70 A6 FA 00 31 35 38 0D AC 6B"), kGateOpen}),
     {"fault header", kGateOpenSeen},
     1},
};

class RejectsFrame : public ::testing::TestWithParam<FaultCase> {};

TEST_P(RejectsFrame, CountsTheFaultAndResynchronises) {
  Recorder recorder;
  recorder.decoder.Feed(GetParam().bytes);
  EXPECT_EQ(recorder.seen, GetParam().expected);
  EXPECT_EQ(recorder.decoder.Faults(), GetParam().faults);
  EXPECT_FALSE(recorder.decoder.Hunting());
}

TEST_P(RejectsFrame, ByteByByte) {
  Recorder recorder;
  for (std::uint8_t byte : GetParam().bytes) recorder.decoder.Feed({&byte, 1});
  EXPECT_EQ(recorder.seen, GetParam().expected);
  EXPECT_EQ(recorder.decoder.Faults(), GetParam().faults);
}

INSTANTIATE_TEST_SUITE_P(Faults, RejectsFrame, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SerialDecoder, AfterAFaultOnlyAQuietLineLetsRecordsThroughAgain) {
  Recorder recorder;
  recorder.decoder.Feed(Join({Hex("55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F9"), kRecordFE}));
  EXPECT_EQ(recorder.seen, std::vector<std::string>{"fault body"});
  recorder.decoder.EndOfBurst();
  recorder.decoder.Feed(kRecordFE);
  EXPECT_EQ(recorder.seen.back(), "record FE 00 [31 35 38]");
}

TEST(SerialDecoder, AFrameCutShortIsCountedWhenTheLineGoesQuiet) {
  Recorder recorder;
  recorder.decoder.Feed(Hex("55 D5 44 00 00 00 01 00 04 0E AA D0"));
  EXPECT_TRUE(recorder.seen.empty());
  recorder.decoder.EndOfBurst();
  EXPECT_EQ(recorder.seen, std::vector<std::string>{"fault truncated"});
  EXPECT_EQ(recorder.decoder.Pending(), 0U);
  recorder.decoder.Feed(kGateOpen);
  EXPECT_EQ(recorder.seen.back(), kGateOpenSeen);
}

TEST(SerialDecoder, HalfARecordOrHalfAHeaderAtQuietIsNoFault) {
  for (const char* partial : {"01 00 41 42", "55 D5 44 00"}) {
    Recorder recorder;
    recorder.decoder.Feed(Hex(partial));
    recorder.decoder.EndOfBurst();
    EXPECT_TRUE(recorder.seen.empty()) << partial;
    EXPECT_EQ(recorder.decoder.Faults(), 0) << partial;
  }
}

TEST(SerialDecoder, ARecordEndsAtTheFirst0D) {
  Recorder recorder;
  recorder.decoder.Feed(Hex("01 00 41 0D 42 0D"));
  EXPECT_EQ(recorder.seen, std::vector<std::string>{"record 01 00 [41]"});
  EXPECT_EQ(recorder.decoder.Faults(), 0);
}

TEST(SerialDecoder, AControlByteInARecordTextMeansItWasNoRecord) {
  Recorder recorder;
  recorder.decoder.Feed(Join({Hex("37 20 41 01 00"), kGateOpen}));
  EXPECT_EQ(recorder.seen, std::vector<std::string>{kGateOpenSeen});
}

TEST(SerialDecoder, EndlessTextNeverOutgrowsTheBufferAndTheLineRecovers) {
  Recorder recorder;
  recorder.decoder.Feed(Hex("01 00"));
  const ByteVector letters(3 * SerialDecoder::kCapacity, 0x41);
  recorder.decoder.Feed(letters);
  EXPECT_LE(recorder.decoder.Pending(), SerialDecoder::kCapacity);
  EXPECT_TRUE(recorder.seen.empty());
  recorder.decoder.Feed(kGateOpen);
  EXPECT_EQ(recorder.seen, std::vector<std::string>{kGateOpenSeen});
}

TEST(SerialDecoder, TheLongestRecordStillFits) {
  ByteVector record = Hex("F0 20");
  record.insert(record.end(), SerialDecoder::kMaxRecordText, 0x38);
  record.push_back(0x0D);
  Recorder recorder;
  recorder.decoder.Feed(record);
  ASSERT_EQ(recorder.seen.size(), 1U);
  EXPECT_EQ(recorder.seen[0].substr(0, 15), "record F0 20 [3");
}

}  // namespace
}  // namespace virtual_lane
