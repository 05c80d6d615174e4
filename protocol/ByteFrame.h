#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace protocol {

using Bytes = std::span<const std::uint8_t>;

// A finished frame. Builders return it by value; callers copy the bytes into
// their own send buffer, so a frame never aliases a work area.
struct ByteFrame {
  std::vector<std::uint8_t> bytes;

  std::size_t size() const { return bytes.size(); }
  const std::uint8_t* data() const { return bytes.data(); }
  Bytes view() const { return bytes; }
  bool operator==(const ByteFrame&) const = default;
};

}  // namespace protocol
