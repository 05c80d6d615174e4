#pragma once

#include <QByteArray>
#include <deque>

namespace field {

// Half-duplex adapters hand back what was just sent. A frame that comes back
// first, whole and exactly as sent, is dropped. Bytes that match only so far
// are held back, since a device's answer may begin as the command did (the
// controller's envelope); the first byte that differs releases them and ends
// the expectation, so an answer is never eaten.
class EchoFilter {
 public:
  void Sent(const QByteArray& frame) {
    if (!frame.isEmpty()) expected_.push_back(frame);
  }
  // What of `received` is the devices' own, in order.
  QByteArray Filter(const QByteArray& received);

 private:
  std::deque<QByteArray> expected_;
  QByteArray held_;
};

}  // namespace field
