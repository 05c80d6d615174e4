#include "CardReader.h"

#include "Crc16.h"

namespace virtual_lane {

std::array<std::uint8_t, 28> BuildCardReply(int address, std::uint64_t card,
                                            std::uint16_t readArgument) {
  std::array<std::uint8_t, 28> reply{0x55, 0xD5, 0x44, 0x00, 0x00, 0x00};
  constexpr std::uint16_t kLength = 17;  // A2, 14 bytes of card data, body CRC
  reply[5] = (address >> 8) & 0xFF;
  reply[6] = address & 0xFF;
  reply[7] = (kLength >> 8) & 0xFF;
  reply[8] = kLength & 0xFF;
  const std::uint16_t headerCrc =
      protocol::CalcCrc16(protocol::kCrcInitial, protocol::kCrcPolynomial, reply, 8, 1);
  reply[9] = headerCrc & 0xFF;
  reply[10] = (headerCrc >> 8) & 0xFF;
  reply[11] = 0xA2;
  for (int i = 0; i < 5; ++i) reply[12 + i] = (card >> (8 * i)) & 0xFF;
  reply[17] = (readArgument >> 8) & 0xFF;
  reply[18] = readArgument & 0xFF;
  reply[19] = 0x01;  // a card is present
  const std::uint16_t bodyCrc =
      protocol::CalcCrc16(protocol::kCrcInitial, protocol::kCrcPolynomial, reply, 15, 11);
  reply[26] = bodyCrc & 0xFF;
  reply[27] = (bodyCrc >> 8) & 0xFF;
  return reply;
}

}  // namespace virtual_lane
