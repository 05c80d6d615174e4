#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ByteFrame.h"

namespace protocol {

// A controller frame found in the received stream: whole when its checksums
// are valid, else as much as was there when its header failed.
struct ReceivedFrame {
  std::vector<std::uint8_t> bytes;
  bool checksumsValid = false;
};

// Finds whole controller frames in a stream that arrives in chunks of any
// size: a frame split over many chunks comes out once, several in one chunk
// each once. Bytes that start no frame are skipped; at most one frame's worth
// is ever held, so garbage never grows memory.
class ReplyAssembler {
 public:
  // Longest frame believed; a length field claiming more marks no frame.
  static constexpr std::size_t kMaxFrameBytes = 512;

  std::vector<ReceivedFrame> Feed(Bytes chunk);
  std::size_t Pending() const { return pending_.size(); }

 private:
  std::vector<std::uint8_t> pending_;
};

// Where a frame's command byte sits; a reported frame always reaches it.
inline constexpr std::size_t kCommandOffset = 11;

}  // namespace protocol
