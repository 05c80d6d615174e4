#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "Controller.h"
#include "FuzzCheck.h"
#include "HexDump.h"

namespace {

// The reply search written out independently, so the fuzzer can tell a wrong
// answer from a right one and not only a crash. Chunks have no length cap and
// an E3 value must lie inside the chunk.
std::optional<protocol::ControllerReply> ExpectedReply(protocol::Bytes chunk) {
  const std::size_t count = chunk.size();
  std::optional<std::size_t> start;
  if (count > 0 && chunk[0] == 0x55) {
    if (count >= 12) start = 0;
  } else {
    for (std::size_t p = 1; p + 11 < count; ++p) {
      if (chunk[p] == 0x55 && chunk[p + 1] == 0xD5 &&
          (chunk[p + 11] == 0xA2 || chunk[p + 11] == 0xE3)) {
        start = p;
        break;
      }
    }
  }
  if (!start) return std::nullopt;

  const std::uint8_t* r = chunk.data() + *start;
  const std::size_t available = count - *start;
  protocol::ControllerReply reply;
  reply.Command = r[11];
  reply.Address = r[5] * 256 + r[6];
  if (reply.Command == 0xA2) {
    if (available < 28 || r[1] != 0xD5) return std::nullopt;
    reply.CardNumber = 0;
    for (int i = 16; i >= 12; --i) reply.CardNumber = reply.CardNumber * 256 + r[i];
    reply.Value17 = r[17] * 256 + r[18];
    reply.Low2Of19 = r[19] & 3;
    reply.Bit2Of19 = (r[19] >> 2) & 1;
    reply.Byte20 = r[20];
    reply.Byte21 = r[21];
    reply.Byte22 = r[22];
    return reply;
  }
  if (reply.Command == 0xE3) {
    if (available < 14) return std::nullopt;
    reply.E3Value = r[12] * 256 + r[13];
    return reply;
  }
  return std::nullopt;
}

char UpperHex(unsigned nibble) {
  return "0123456789ABCDEF"[nibble & 0xF];
}

// The console logs every chunk before offering it to the parser.
void CheckReceivedDump(protocol::Bytes chunk) {
  const std::string dump = protocol::ReceivedDump(chunk);
  FuzzCheck(dump.size() == chunk.size() * 3, "received dump has three characters per byte");
  for (std::size_t i = 0; i < chunk.size(); ++i) {
    FuzzCheck(dump[3 * i] == UpperHex(chunk[i] >> 4) && dump[3 * i + 1] == UpperHex(chunk[i]) &&
                  dump[3 * i + 2] == ' ',
              "received dump shows each byte as two upper-case digits and a blank");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const protocol::Bytes chunk(data, size);
  CheckReceivedDump(chunk);

  protocol::ControllerReply reply;
  const int result = protocol::ParseControllerReply(chunk, reply);
  const std::optional<protocol::ControllerReply> expected = ExpectedReply(chunk);
  FuzzCheck(result == (expected ? protocol::kReplyDecoded : protocol::kNoUsableReply),
            "result code matches the reply search");
  if (!expected) return 0;

  FuzzCheck(reply.Command == expected->Command, "Command");
  FuzzCheck(reply.Address == expected->Address, "Address");
  if (expected->Command == 0xA2) {
    FuzzCheck(reply.CardNumber == expected->CardNumber, "CardNumber");
    FuzzCheck(reply.Value17 == expected->Value17, "Value17");
    FuzzCheck(reply.Low2Of19 == expected->Low2Of19, "Low2Of19");
    FuzzCheck(reply.Bit2Of19 == expected->Bit2Of19, "Bit2Of19");
    FuzzCheck(reply.Byte20 == expected->Byte20 && reply.Byte21 == expected->Byte21 &&
                  reply.Byte22 == expected->Byte22,
              "Byte20..Byte22");
  } else {
    FuzzCheck(reply.E3Value == expected->E3Value, "E3Value");
  }
  return 0;
}
