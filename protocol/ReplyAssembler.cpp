#include "ReplyAssembler.h"

#include <algorithm>
#include <array>

#include "Crc16.h"

namespace protocol {
namespace {

constexpr std::array<std::uint8_t, 5> kSync = {0x55, 0xD5, 0x44, 0x00, 0x00};
constexpr std::size_t kHeaderBytes = 11;
constexpr std::size_t kHeaderCrcOffset = 9;
constexpr std::size_t kSmallestLength = 3;  // command byte and body CRC

std::uint16_t Crc(const std::vector<std::uint8_t>& bytes, std::size_t start, std::size_t count) {
  return CalcCrc16(kCrcInitial, kCrcPolynomial, bytes, static_cast<std::int32_t>(count),
                   static_cast<std::int32_t>(start));
}

// CRCs travel low byte first.
std::uint16_t StoredCrc(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// Where the sync could start: a full match, or a match cut short by the end.
std::size_t SyncCandidate(const std::vector<std::uint8_t>& bytes) {
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    const std::size_t compared = std::min(kSync.size(), bytes.size() - at);
    if (std::equal(kSync.begin(), kSync.begin() + compared, bytes.begin() + at)) return at;
  }
  return bytes.size();
}

}  // namespace

std::vector<ReceivedFrame> ReplyAssembler::Feed(Bytes chunk) {
  std::vector<ReceivedFrame> found;
  const auto dropTo = [this](std::size_t start) {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(start));
  };
  // Byte by byte keeps the buffer within one frame whatever the chunk size.
  for (const std::uint8_t byte : chunk) {
    pending_.push_back(byte);
    dropTo(SyncCandidate(pending_));
    if (pending_.size() < kHeaderBytes) continue;

    const bool headerValid = Crc(pending_, 1, 8) == StoredCrc(pending_, kHeaderCrcOffset);
    const std::size_t length = (pending_[7] << 8) | pending_[8];
    if (headerValid && length >= kSmallestLength && kHeaderBytes + length <= kMaxFrameBytes) {
      if (pending_.size() < kHeaderBytes + length) continue;
      const std::size_t body = length - 2;
      const bool bodyValid =
          Crc(pending_, kHeaderBytes, body) == StoredCrc(pending_, kHeaderBytes + body);
      found.push_back({std::move(pending_), bodyValid});
      pending_.clear();
      continue;
    }
    // A damaged header's length cannot be trusted: waiting for it could
    // swallow the frames behind. It is reported with its command byte, then
    // the search goes on right after its sync.
    if (!headerValid) {
      if (pending_.size() <= kCommandOffset) continue;
      found.push_back({pending_, false});
    }
    pending_.erase(pending_.begin());
    dropTo(SyncCandidate(pending_));
  }
  return found;
}

}  // namespace protocol
