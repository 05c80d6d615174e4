#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "LaneCommands.h"

namespace lanectl {

// Bad input that CLI11 cannot see: a malformed number, hex or text, or a size
// over a device limit. The message names the option.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A decimal integer, a leading minus allowed, that fits 32 bits signed.
std::int32_t ParseNumber(std::string_view option, std::string_view text);

// Pairs of hex digits; blanks may stand between pairs but not inside one.
std::vector<std::uint8_t> ParseHex(std::string_view option, std::string_view text);

// UTF-8 sent as GBK, or raw bytes when the text starts with "hex:".
std::vector<std::uint8_t> ParseText(std::string_view option, std::string_view text);

struct SizedInput {
  std::string option;
  std::size_t bytes;
};

// Refuses inputs the frame cannot carry, naming the option, or `together`
// when only their sum is too large.
void RequireFits(protocol::FrameKind kind, const std::vector<SizedInput>& inputs,
                 std::string_view together = {});

}  // namespace lanectl
