#include <gtest/gtest.h>

#include <tuple>

#include "Controller.h"
#include "HexText.h"

namespace protocol {
namespace {

using hex_text::Bytes;

// Offsets 12-16 card 01..05, 17-18 value 12 34, 19 flags 07, 20-22 AA BB CC.
// The checksum bytes are junk on purpose: the parser never checks them.
constexpr const char* kCardReply =
    "55 D5 44 00 00 00 01 00 11 AA BB A2 01 02 03 04 05 12 34 07 AA BB CC 00 00 00 EE FF";
constexpr const char* kCardReplyMinusLastByte =
    "55 D5 44 00 00 00 01 00 11 AA BB A2 01 02 03 04 05 12 34 07 AA BB CC 00 00 00 EE";

auto Fields(const ControllerReply& r) {
  return std::make_tuple(r.Command, r.Address, r.CardNumber, r.Value17, r.Low2Of19, r.Bit2Of19,
                         r.Byte20, r.Byte21, r.Byte22, r.E3Value);
}

ControllerReply CardReply(std::uint64_t card, int value17, int low2, int bit2, int b20, int b21,
                          int b22, int address = 1) {
  return ControllerReply{0xA2, address, card, value17, low2, bit2, b20, b21, b22, 0};
}

ControllerReply ValueReply(int address, int value) {
  return ControllerReply{0xE3, address, 0, 0, 0, 0, 0, 0, 0, value};
}

const ControllerReply kCardFields = CardReply(21542142465u, 0x1234, 3, 1, 0xAA, 0xBB, 0xCC);

struct DecodedCase {
  const char* name;
  std::string chunkHex;
  ControllerReply expected;
};

class ReplyDecodedTest : public testing::TestWithParam<DecodedCase> {};

TEST_P(ReplyDecodedTest, FillsFields) {
  const std::vector<std::uint8_t> chunk = Bytes(GetParam().chunkHex);
  ControllerReply reply;
  ASSERT_EQ(ParseControllerReply(chunk, reply), kReplyDecoded);
  EXPECT_EQ(Fields(reply), Fields(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyDecodedTest,
    testing::Values(
        DecodedCase{"CardAtStart", kCardReply, kCardFields},
        DecodedCase{"CardAfterTwoBytes", std::string("00 11 ") + kCardReply, kCardFields},
        DecodedCase{"CardWithTrailingBytes", std::string(kCardReply) + " 55 D5 01", kCardFields},
        DecodedCase{"LargestCardAndFlagMasks",
                    "55 D5 44 00 00 00 01 00 11 00 00 A2 FF FF FF FF FF 00 00 FB 00 00 00 00 00 00 "
                    "00 00",
                    CardReply((std::uint64_t{1} << 40) - 1, 0, 3, 0, 0, 0, 0)},
        DecodedCase{"CardAddressIsBigEndianPair",
                    "55 D5 44 00 00 01 02 00 11 00 00 A2 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                    "00 00",
                    CardReply(0, 0, 0, 0, 0, 0, 0, 0x0102)},
        DecodedCase{"CardFarBeyond512Bytes", std::string(1200, '0') + " " + kCardReply,
                    kCardFields},
        DecodedCase{"ValueAtStart", "55 D5 44 00 00 00 01 00 04 00 00 E3 12 34 00 00",
                    ValueReply(1, 0x1234)},
        DecodedCase{"ValueWithoutChecksumBytes", "55 D5 44 00 00 00 01 00 04 00 00 E3 12 34",
                    ValueReply(1, 0x1234)},
        DecodedCase{"ValueFoundBySearch", "00 55 D5 44 00 00 00 03 00 04 00 00 E3 AB CD",
                    ValueReply(3, 0xABCD)},
        DecodedCase{"ValueAtLeadingSyncIgnoresByte1", "55 00 44 00 00 00 01 00 04 00 00 E3 00 07",
                    ValueReply(1, 7)},
        DecodedCase{"SearchSkipsStartWithOtherCommand",
                    "00 55 D5 44 00 00 00 09 00 04 00 00 D0 55 D5 44 00 00 00 02 00 04 00 00 E3 "
                    "00 2A",
                    ValueReply(2, 42)},
        DecodedCase{"FirstOfTwoRepliesWins",
                    std::string("00 55 D5 44 00 00 00 05 00 04 00 00 E3 00 01 ") + kCardReply,
                    ValueReply(5, 1)}),
    [](const auto& info) { return std::string(info.param.name); });

struct RejectedCase {
  const char* name;
  std::string chunkHex;
};

class ReplyRejectedTest : public testing::TestWithParam<RejectedCase> {};

TEST_P(ReplyRejectedTest, GivesNoUsableReply) {
  const std::vector<std::uint8_t> chunk = Bytes(GetParam().chunkHex);
  ControllerReply reply;
  EXPECT_EQ(ParseControllerReply(chunk, reply), kNoUsableReply);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyRejectedTest,
    testing::Values(
        RejectedCase{"Empty", ""},
        RejectedCase{"LeadingSyncUnder12Bytes", "55 D5 44 00 00 00 01 00 04 00 00"},
        RejectedCase{"NoSyncPair", "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF"},
        RejectedCase{"SyncPairWithoutReplyCommand",
                     "00 55 D5 44 00 00 00 01 00 04 00 00 D0 05 00 00"},
        RejectedCase{"SyncWithoutD5IsNoStart",
                     "00 55 00 44 00 00 00 01 00 11 00 00 A2 01 02 03 04 05 12 34 07 AA BB CC 00 "
                     "00 00 00 00"},
        RejectedCase{"ReplyCommandBeyondChunk", "00 55 D5 44 00 00 00 01 00 05 00"},
        RejectedCase{"CardMissingLastByte", kCardReplyMinusLastByte},
        RejectedCase{"CardAfterTwoBytesMissingLastByte",
                     std::string("00 11 ") + kCardReplyMinusLastByte},
        RejectedCase{"CardAtLeadingSyncWithoutD5",
                     "55 00 44 00 00 00 01 00 11 00 00 A2 01 02 03 04 05 12 34 07 AA BB CC 00 00 "
                     "00 EE FF"},
        RejectedCase{"LeadingFrameWithOtherCommandHidesLaterReply",
                     std::string("55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F8 ") + kCardReply},
        RejectedCase{"ValueBytesBeyondChunkAtStart", "55 D5 44 00 00 00 01 00 04 00 00 E3"},
        RejectedCase{"ValueLowByteBeyondChunkAtStart", "55 D5 44 00 00 00 01 00 04 00 00 E3 12"},
        RejectedCase{"ValueLowByteBeyondChunkBySearch",
                     "00 55 D5 44 00 00 00 01 00 04 00 00 E3 12"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReplyParser, IgnoresBytesThatFollowTheChunkInMemory) {
  const std::vector<std::uint8_t> memory = Bytes("55 D5 44 00 00 00 01 00 04 00 00 E3 12 34");
  ControllerReply reply;
  EXPECT_EQ(ParseControllerReply(std::span(memory).first(12), reply), kNoUsableReply);
  EXPECT_EQ(ParseControllerReply(std::span(memory).first(13), reply), kNoUsableReply);
}

}  // namespace
}  // namespace protocol
