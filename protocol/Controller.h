#pragma once

#include <cstdint>

#include "ByteFrame.h"

namespace protocol {

inline constexpr std::uint8_t kCommandGateOpen = 0xD0;
inline constexpr std::uint8_t kCommandGateClose = 0xD1;
inline constexpr std::uint8_t kCommandReadCard = 0xA2;
inline constexpr std::uint8_t kCommandDisplay = 0xA6;
inline constexpr std::uint8_t kCommandVoice = 0xA7;
inline constexpr std::uint8_t kReplyValue = 0xE3;

// Envelope: 55 D5 44 00 00 00 address, L (big-endian), header CRC (low byte
// first), body, body CRC (low byte first). All seven builders go through it.
ByteFrame BuildControllerFrame(int address, std::uint8_t command, Bytes payload);

// Arguments outside 1..255 become 3, as the controller expects.
ByteFrame BuildGateOpenFrame(int address, std::int32_t openArgument);
ByteFrame BuildGateCloseFrame(int address);
ByteFrame BuildReadCardFrame(int address, std::uint16_t readArgument);
ByteFrame BuildCountDisplayFrame(int address, int screen, Bytes text);
ByteFrame BuildThreeLineDisplayFrame(int address, Bytes line1, Bytes line2, Bytes line3);
ByteFrame BuildVoiceCodesFrame(int address, Bytes codes);
ByteFrame BuildVoiceTextFrame(int address, int voice, Bytes text);

struct ControllerReply {
  int Command = 0;
  int Address = 0;
  std::uint64_t CardNumber = 0;
  int Value17 = 0;
  int Low2Of19 = 0;
  int Bit2Of19 = 0;
  int Byte20 = 0;
  int Byte21 = 0;
  int Byte22 = 0;
  int E3Value = 0;
};

inline constexpr int kReplyDecoded = 0;
inline constexpr int kNoUsableReply = 1;
inline constexpr std::size_t kCardReplyBytes = 28;

// Finds an A2 card reply or an E3 value reply in a received chunk of any
// length and never reads past it. Returns kReplyDecoded or kNoUsableReply;
// after kNoUsableReply no field of the reply is meaningful.
int ParseControllerReply(Bytes chunk, ControllerReply& reply);

}  // namespace protocol
