#include "Controller.h"

#include <optional>

#include "Crc16.h"
#include "ScreenRecords.h"
#include "VoiceBox.h"

namespace protocol {

namespace {

constexpr std::size_t kHeaderBytes = 11;
constexpr std::uint8_t kSync0 = 0x55;
constexpr std::uint8_t kSync1 = 0xD5;

std::uint16_t Crc(const std::vector<std::uint8_t>& frame, std::size_t start, std::size_t count) {
  return CalcCrc16(kCrcInitial, kCrcPolynomial, frame, static_cast<std::int32_t>(count),
                   static_cast<std::int32_t>(start));
}

bool IsReplyCommand(std::uint8_t command) {
  return command == kCommandReadCard || command == kReplyValue;
}

// A start after offset 0 must show the sync pair and a reply command, all
// inside the chunk.
std::optional<std::size_t> FindReplyStart(Bytes chunk) {
  if (chunk.empty()) return std::nullopt;
  if (chunk[0] == kSync0) {
    if (chunk.size() < 12) return std::nullopt;
    return 0;
  }
  for (std::size_t p = 1; p + 11 < chunk.size(); ++p) {
    if (chunk[p] == kSync0 && chunk[p + 1] == kSync1 && IsReplyCommand(chunk[p + 11])) return p;
  }
  return std::nullopt;
}

}  // namespace

ByteFrame BuildControllerFrame(int address, std::uint8_t command, Bytes payload) {
  const std::size_t bodyBytes = 1 + payload.size();
  const std::size_t length = bodyBytes + 2;

  ByteFrame frame;
  std::vector<std::uint8_t>& out = frame.bytes;
  out.reserve(kHeaderBytes + length);
  out = {kSync0, kSync1, 0x44, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(address)};
  out.push_back(static_cast<std::uint8_t>((length >> 8) & 0xFF));
  out.push_back(static_cast<std::uint8_t>(length & 0xFF));
  // The header CRC leaves out the leading 0x55. CRCs go low byte first.
  const std::uint16_t headerCrc = Crc(out, 1, 8);
  out.push_back(static_cast<std::uint8_t>(headerCrc & 0xFF));
  out.push_back(static_cast<std::uint8_t>((headerCrc >> 8) & 0xFF));
  out.push_back(command);
  out.insert(out.end(), payload.begin(), payload.end());
  const std::uint16_t bodyCrc = Crc(out, kHeaderBytes, bodyBytes);
  out.push_back(static_cast<std::uint8_t>(bodyCrc & 0xFF));
  out.push_back(static_cast<std::uint8_t>((bodyCrc >> 8) & 0xFF));
  return frame;
}

ByteFrame BuildGateOpenFrame(int address, std::int32_t openArgument) {
  const std::uint8_t argument =
      openArgument >= 1 && openArgument <= 255 ? static_cast<std::uint8_t>(openArgument) : 3;
  const std::uint8_t payload[] = {argument};
  return BuildControllerFrame(address, kCommandGateOpen, payload);
}

ByteFrame BuildGateCloseFrame(int address) {
  return BuildControllerFrame(address, kCommandGateClose, {});
}

ByteFrame BuildReadCardFrame(int address, std::uint16_t readArgument) {
  const std::uint8_t payload[] = {static_cast<std::uint8_t>((readArgument >> 8) & 0xFF),
                                  static_cast<std::uint8_t>(readArgument & 0xFF)};
  return BuildControllerFrame(address, kCommandReadCard, payload);
}

ByteFrame BuildCountDisplayFrame(int address, int screen, Bytes text) {
  std::vector<std::uint8_t> payload;
  AppendLineRecord(payload, screen, text);
  return BuildControllerFrame(address, kCommandDisplay, payload);
}

ByteFrame BuildThreeLineDisplayFrame(int address, Bytes line1, Bytes line2, Bytes line3) {
  std::vector<std::uint8_t> payload;
  AppendLineRecord(payload, 0x01, line1);
  AppendLineRecord(payload, 0x02, line2);
  AppendLineRecord(payload, 0x03, line3);
  return BuildControllerFrame(address, kCommandDisplay, payload);
}

ByteFrame BuildVoiceCodesFrame(int address, Bytes codes) {
  std::vector<std::uint8_t> payload;
  AppendVoiceCodes(payload, codes);
  return BuildControllerFrame(address, kCommandVoice, payload);
}

ByteFrame BuildVoiceTextFrame(int address, int voice, Bytes text) {
  const ByteFrame speech = SpeechBlock(text);
  std::vector<std::uint8_t> payload;
  payload.reserve(1 + speech.size());
  payload.push_back(static_cast<std::uint8_t>(voice));
  payload.insert(payload.end(), speech.bytes.begin(), speech.bytes.end());
  return BuildControllerFrame(address, kCommandVoice, payload);
}

int ParseControllerReply(Bytes chunk, ControllerReply& reply) {
  reply = ControllerReply{};
  const std::optional<std::size_t> start = FindReplyStart(chunk);
  if (!start) return kNoUsableReply;

  const Bytes frame = chunk.subspan(*start);
  reply.Command = frame[11];
  reply.Address = frame[5] * 256 + frame[6];

  if (reply.Command == kCommandReadCard) {
    // A start at offset 0 was taken on the 0x55 alone.
    if (frame.size() < kCardReplyBytes || frame[1] != kSync1) return kNoUsableReply;
    for (std::size_t offset = 16; offset >= 12; --offset) {
      reply.CardNumber = (reply.CardNumber << 8) | frame[offset];
    }
    reply.Value17 = frame[17] * 256 + frame[18];
    reply.Low2Of19 = frame[19] & 3;
    reply.Bit2Of19 = (frame[19] >> 2) & 1;
    reply.Byte20 = frame[20];
    reply.Byte21 = frame[21];
    reply.Byte22 = frame[22];
    return kReplyDecoded;
  }
  if (reply.Command == kReplyValue) {
    if (frame.size() < 14) return kNoUsableReply;
    reply.E3Value = frame[12] * 256 + frame[13];
    return kReplyDecoded;
  }
  return kNoUsableReply;
}

}  // namespace protocol
