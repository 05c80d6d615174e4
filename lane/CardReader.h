#pragma once

#include <array>
#include <cstdint>

namespace virtual_lane {

// The card reader's deck: each read takes the card on the reader and puts
// the next one there, round and round. Among them the largest number a
// 5-byte card field can carry.
class CardReader {
 public:
  static constexpr std::uint64_t kLargestCard = (std::uint64_t{1} << 40) - 1;
  static constexpr std::array<std::uint64_t, 5> kDeck = {0x0012345678, 0x0504030201, kLargestCard,
                                                         1, 0x00A1B2C3D4};

  std::uint64_t OnReader() const { return kDeck[next_]; }
  std::uint64_t Take() {
    const std::uint64_t card = kDeck[next_];
    next_ = (next_ + 1) % kDeck.size();
    return card;
  }

 private:
  std::size_t next_ = 0;
};

// The controller's 28-byte answer to a read-card command: envelope from the
// answering address, A2, the card number least significant byte first, the
// read argument echoed, card-present flags.
std::array<std::uint8_t, 28> BuildCardReply(int address, std::uint64_t card,
                                            std::uint16_t readArgument);

}  // namespace virtual_lane
