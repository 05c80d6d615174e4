#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "HexText.h"
#include "ReplyAssembler.h"
#include "ReplyDescription.h"

namespace protocol {
namespace {

using hex_text::Bytes;

// Card 305419896 for controller 1, and the gate-open command: both frames
// with valid checksums, as the lane and the console put them on the line.
const std::string kCard =
    "55 D5 44 00 00 00 01 00 11 22 ED A2 78 56 34 12 00 00 64 01 00 00 00 00 00 00 F2 61";
const std::string kGateOpen = "55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F8";
const std::string kValue = "55 D5 44 00 00 00 02 00 05 E3 54 E3 12 34 70 0E";

// The card reply with one bit flipped in its body, and in its header CRC.
const std::string kCardBodyFlipped =
    "55 D5 44 00 00 00 01 00 11 22 ED A2 79 56 34 12 00 00 64 01 00 00 00 00 00 00 F2 61";
const std::string kCardHeaderFlipped =
    "55 D5 44 00 00 00 01 00 11 23 ED A2 78 56 34 12 00 00 64 01 00 00 00 00 00 00 F2 61";

struct Found {
  std::string hex;
  bool valid;
  bool operator==(const Found&) const = default;
};

void PrintTo(const Found& found, std::ostream* out) {
  *out << (found.valid ? "valid " : "damaged ") << found.hex;
}

std::vector<Found> FeedInChunks(const std::vector<std::uint8_t>& stream, std::size_t chunk) {
  ReplyAssembler assembler;
  std::vector<Found> found;
  for (std::size_t at = 0; at < stream.size(); at += chunk) {
    const auto piece = Bytes::size_type{std::min(chunk, stream.size() - at)};
    for (const ReceivedFrame& frame : assembler.Feed({stream.data() + at, piece})) {
      found.push_back({hex_text::Text(frame.bytes), frame.checksumsValid});
    }
  }
  return found;
}

struct StreamCase {
  const char* name;
  std::string stream;
  std::vector<Found> expected;
};

class ReplyStreamTest : public testing::TestWithParam<StreamCase> {};

TEST_P(ReplyStreamTest, FindsEachFrameOnceHoweverTheStreamIsChunked) {
  const auto stream = Bytes(GetParam().stream);
  for (const std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{7}, stream.size()}) {
    EXPECT_EQ(FeedInChunks(stream, std::max<std::size_t>(chunk, 1)), GetParam().expected)
        << "chunks of " << chunk;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, ReplyStreamTest,
    testing::Values(
        StreamCase{"OneReply", kCard, {{kCard, true}}},
        StreamCase{"TwoGlued", kCard + " " + kValue, {{kCard, true}, {kValue, true}}},
        StreamCase{
            "GarbageAround", "00 55 55 D5 13 55 D5 44 " + kCard + " 55 D5 44 00", {{kCard, true}}},
        StreamCase{"EchoThenReply", kGateOpen + " " + kCard, {{kGateOpen, true}, {kCard, true}}},
        StreamCase{"BodyFlipped",
                   kCardBodyFlipped + " " + kCard,
                   {{kCardBodyFlipped, false}, {kCard, true}}},
        // Only up to its command byte: a length that cannot be trusted is not waited for.
        StreamCase{"HeaderFlippedDoesNotSwallowTheNext",
                   kCardHeaderFlipped + " " + kCard,
                   {{kCardHeaderFlipped.substr(0, 12 * 3 - 1), false}, {kCard, true}}},
        // Header CRC valid for a length of 0xFFFF: no frame is that long.
        StreamCase{"LengthBeyondAnyFrame",
                   "55 D5 44 00 00 00 01 FF FF 92 1C A2 " + kCard,
                   {{kCard, true}}},
        StreamCase{"CutShort", kCard.substr(0, kCard.size() - 3), {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReplyAssembler, GarbageNeverGrowsTheBuffer) {
  ReplyAssembler assembler;
  std::mt19937 random(20261208);
  std::vector<std::uint8_t> garbage(4096);
  std::size_t largest = 0;
  std::size_t frames = 0;
  for (int round = 0; round < 2560; ++round) {  // 10 MB
    for (auto& byte : garbage)
      byte = static_cast<std::uint8_t>(random() % 3 == 0 ? 0x55 : random());
    frames += assembler.Feed(garbage).size();
    largest = std::max(largest, assembler.Pending());
  }
  EXPECT_LE(largest, ReplyAssembler::kMaxFrameBytes);
  EXPECT_EQ(frames, 0u);

  EXPECT_EQ(assembler.Feed(Bytes(kCard)).size(), 1u);
}

TEST(ReplyAssembler, ALongClaimedFrameIsHeldNoLongerThanItsLength) {
  // A valid header announcing the longest frame, then garbage without end.
  ReplyAssembler assembler;
  assembler.Feed(Bytes("55 D5 44 00 00 00 01 01 F5 D0 55"));
  const std::vector<std::uint8_t> garbage(2000, 0x11);

  const auto found = assembler.Feed(garbage);

  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].bytes.size(), ReplyAssembler::kMaxFrameBytes);
  EXPECT_FALSE(found[0].checksumsValid);
  EXPECT_LE(assembler.Pending(), ReplyAssembler::kMaxFrameBytes);
}

struct DescriptionCase {
  const char* name;
  std::string frame;
  bool valid;
  const char* line;  // empty: no line
};

class ReplyDescriptionTest : public testing::TestWithParam<DescriptionCase> {};

TEST_P(ReplyDescriptionTest, SaysWhatTheControllerAnswered) {
  const auto line = DescribeReceivedFrame({Bytes(GetParam().frame), GetParam().valid});
  EXPECT_EQ(line.value_or(""), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ReplyDescriptionTest,
    testing::Values(
        DescriptionCase{"Card", kCard, true, "读卡 控制器 1: 卡号 305419896"},
        DescriptionCase{"Value", kValue, true, "控制器 2: E3 数值 4660"},
        DescriptionCase{"DamagedCard", kCardBodyFlipped, false, "读卡: 回复校验和错误, 不显示卡号"},
        DescriptionCase{"DamagedValue", kValue, false, "E3: 回复校验和错误, 不显示数值"},
        DescriptionCase{"EchoedCommand", kGateOpen, true, ""},
        DescriptionCase{"DamagedCommand", kGateOpen, false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace protocol
