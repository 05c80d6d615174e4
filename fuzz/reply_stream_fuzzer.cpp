#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "ReplyAssembler.h"
#include "ReplyDescription.h"

namespace {

// CRC-16/MCRF4XX written out again, so that a frame called valid is checked
// by something other than the code under test.
std::uint16_t Crc(const std::uint8_t* bytes, std::size_t count) {
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < count; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0x8408 : crc >> 1;
  }
  return crc;
}

bool ChecksumsHold(const std::vector<std::uint8_t>& frame) {
  if (frame.size() < 14) return false;
  const std::size_t length = (frame[7] << 8) | frame[8];
  if (frame.size() != 11 + length) return false;
  const std::size_t body = length - 2;
  return Crc(frame.data() + 1, 8) == (frame[9] | (frame[10] << 8)) &&
         Crc(frame.data() + 11, body) == (frame[11 + body] | (frame[12 + body] << 8));
}

}  // namespace

// Input: byte 0 picks the chunk size (1 to 16), the rest is the received stream.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t chunk = data[0] % 16 + 1;
  const protocol::Bytes stream(data + 1, size - 1);

  protocol::ReplyAssembler whole;
  const std::vector<protocol::ReceivedFrame> expected = whole.Feed(stream);

  protocol::ReplyAssembler chunked;
  std::vector<protocol::ReceivedFrame> found;
  for (std::size_t at = 0; at < stream.size(); at += chunk) {
    for (auto& frame : chunked.Feed(stream.subspan(at, std::min(chunk, stream.size() - at)))) {
      found.push_back(std::move(frame));
    }
    FuzzCheck(chunked.Pending() <= protocol::ReplyAssembler::kMaxFrameBytes,
              "at most one frame's worth is held");
  }

  FuzzCheck(found.size() == expected.size(), "chunking never changes the frames found");
  for (std::size_t i = 0; i < found.size(); ++i) {
    const protocol::ReceivedFrame& frame = found[i];
    FuzzCheck(
        frame.bytes == expected[i].bytes && frame.checksumsValid == expected[i].checksumsValid,
        "chunking never changes a frame");
    FuzzCheck(frame.bytes.size() > protocol::kCommandOffset && frame.bytes[0] == 0x55 &&
                  frame.bytes[1] == 0xD5 && frame.bytes[2] == 0x44,
              "a frame starts with the sync and reaches its command byte");
    FuzzCheck(frame.checksumsValid == ChecksumsHold(frame.bytes),
              "a frame is called valid exactly when both checksums hold");
    const auto line = protocol::DescribeReceivedFrame(frame);
    FuzzCheck(!line || frame.checksumsValid || line->find("卡号 ") == std::string::npos,
              "a damaged frame never shows a card number");
  }
  return 0;
}
