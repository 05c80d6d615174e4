#include "FrameRules.h"

#include <algorithm>
#include <array>
#include <optional>

#include "Crc16.h"

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kLargestFrame = 512;
constexpr std::uint8_t kRecordEnd = 0x0D;
constexpr std::array<std::uint8_t, 6> kControllerSync = {0x55, 0xD5, 0x44, 0x00, 0x00, 0x00};
constexpr std::size_t kControllerHeader = 11;
constexpr std::size_t kControllerOverhead = 13;  // header and body CRC

bool FlagFits(std::uint8_t flag, std::size_t textBytes) {
  return flag == (textBytes > 8 ? 0x20 : 0x00);
}

// One record filling the bytes: its text runs to the last byte, 0D and all.
bool IsOneRecord(Bytes bytes) {
  return bytes.size() >= 3 && bytes.back() == kRecordEnd && FlagFits(bytes[1], bytes.size() - 3);
}

// Records numbered 1, 2, ... end to end, each ending at its first 0D.
std::optional<std::size_t> NumberedRecords(Bytes bytes) {
  std::size_t count = 0;
  while (!bytes.empty()) {
    if (bytes.size() < 3 || bytes[0] != count + 1) return std::nullopt;
    const auto end = std::find(bytes.begin() + 2, bytes.end(), kRecordEnd);
    if (end == bytes.end()) return std::nullopt;
    const auto text = static_cast<std::size_t>(end - bytes.begin()) - 2;
    if (!FlagFits(bytes[1], text)) return std::nullopt;
    bytes = bytes.subspan(text + 3);
    ++count;
  }
  return count;
}

// FD, n+3 high byte first, 01 01, n text bytes, XOR of everything before it.
bool IsSpeechBlock(Bytes block) {
  if (block.size() < 6 || block[0] != 0xFD || block[3] != 0x01 || block[4] != 0x01) return false;
  if (((std::size_t{block[1]} << 8) | block[2]) != block.size() - 3) return false;
  std::uint8_t check = 0;
  for (const std::uint8_t byte : block.first(block.size() - 1)) check ^= byte;
  return check == block.back();
}

std::uint16_t LowByteFirst(std::uint8_t low, std::uint8_t high) {
  return static_cast<std::uint16_t>(low | (high << 8));
}

std::string ControllerObjection(Bytes frame) {
  if (frame.size() < kControllerOverhead + 1) return "controller frame without a command";
  const std::size_t length = (std::size_t{frame[7]} << 8) | frame[8];
  if (length != frame.size() - kControllerHeader) return "length field does not match";
  const auto crc = [&](std::size_t count, std::size_t start) {
    return protocol::CalcCrc16(protocol::kCrcInitial, protocol::kCrcPolynomial, frame,
                               static_cast<std::int32_t>(count), static_cast<std::int32_t>(start));
  };
  if (crc(8, 1) != LowByteFirst(frame[9], frame[10])) return "header CRC wrong";
  const Bytes body = frame.subspan(kControllerHeader, frame.size() - kControllerOverhead);
  if (crc(body.size(), kControllerHeader) != LowByteFirst(frame[frame.size() - 2], frame.back()))
    return "body CRC wrong";

  const Bytes payload = body.subspan(1);
  switch (body[0]) {
    case 0xD0:
      return payload.size() == 1 && payload[0] != 0 ? "" : "bad gate-open argument";
    case 0xD1:
      return payload.empty() ? "" : "gate close with a payload";
    case 0xA2:
      return payload.size() == 2 ? "" : "read card without a two-byte argument";
    case 0xA6:
      return IsOneRecord(payload) || NumberedRecords(payload) == 3u ? "" : "bad display records";
    case 0xA7:
      return payload.size() == 9 || (payload.size() > 1 && IsSpeechBlock(payload.subspan(1)))
                 ? ""
                 : "bad voice payload";
    default:
      return "unknown controller command";
  }
}

std::string VoiceBoxObjection(Bytes frame) {
  if (frame.size() < 4 || frame.back() != kRecordEnd) return "voice-box frame without its 0D";
  if (frame.size() == 13) return "";
  return IsSpeechBlock(frame.subspan(3, frame.size() - 4)) ? "" : "bad voice-box speech block";
}

}  // namespace

std::string FrameObjection(std::span<const std::uint8_t> frame) {
  if (frame.size() > kLargestFrame) return "longer than 512 bytes";
  if (frame.size() >= kControllerSync.size() &&
      std::equal(kControllerSync.begin(), kControllerSync.end(), frame.begin()))
    return ControllerObjection(frame);
  if (frame.size() >= 2 && frame[0] == 0x05 && frame[1] == 0x12) return VoiceBoxObjection(frame);
  if (IsOneRecord(frame)) return "";
  const auto records = NumberedRecords(frame);
  return records == 2u || records == 4u ? "" : "not a screen record set";
}
