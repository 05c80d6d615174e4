#pragma once

#include <QByteArray>
#include <QList>

#include "ReplyAssembler.h"

namespace field {

// Cuts what a line receives into the chunks the pane shows, one per reply:
// a chunk ends right after a whole controller reply, or when it reaches
// kMaxChunkBytes; what comes in between waits for more, or for the line's
// silence (the caller's timer) to be taken as it is.
class ReplyChunker {
 public:
  // A flood without replies still reaches the pane in pieces.
  static constexpr qsizetype kMaxChunkBytes = 4096;

  // The chunks `bytes` completed, in order.
  QList<QByteArray> Add(const QByteArray& bytes);
  // What waits, when the line has been silent long enough.
  QByteArray TakePending();
  bool HasPending() const { return !pending_.isEmpty(); }
  // A new connection: nothing from before counts.
  void Reset();

 private:
  protocol::ReplyAssembler replies_;
  QByteArray pending_;
};

}  // namespace field
