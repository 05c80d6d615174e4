#include "ReplyChunker.h"

#include <cstdint>
#include <utility>

namespace field {

QList<QByteArray> ReplyChunker::Add(const QByteArray& bytes) {
  QList<QByteArray> done;
  for (const char byte : bytes) {
    pending_ += byte;
    const auto value = static_cast<std::uint8_t>(byte);
    // Byte by byte: the reply's last byte ends the chunk, whatever follows it in this read.
    const bool replyEnded = !replies_.Feed({&value, 1}).empty();
    if (replyEnded || pending_.size() >= kMaxChunkBytes) done.append(std::exchange(pending_, {}));
  }
  return done;
}

QByteArray ReplyChunker::TakePending() {
  return std::exchange(pending_, {});
}

void ReplyChunker::Reset() {
  replies_ = {};
  pending_.clear();
}

}  // namespace field
