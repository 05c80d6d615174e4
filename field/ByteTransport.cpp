#include "ByteTransport.h"

#include <algorithm>

namespace field {

ByteTransport::ByteTransport(QObject* parent) : QObject(parent), retry_(this) {
  retry_.setSingleShot(true);
  connect(&retry_, &QTimer::timeout, this, [this] { BeginOpen(); });
}

void ByteTransport::Start() {
  running_ = true;
  nextRetryMs_ = kFirstRetryMs;
  BeginOpen();
}

void ByteTransport::Stop() {
  running_ = false;
  open_ = false;
  down_ = false;
  retry_.stop();
  Discard();
}

void ByteTransport::Write(const QByteArray& bytes) {
  if (!open_) return;
  QString error;
  if (!WriteNow(bytes, error)) Failed(error);
}

void ByteTransport::Opened() {
  open_ = true;
  down_ = false;
  nextRetryMs_ = kFirstRetryMs;
  emit Up();
}

void ByteTransport::Failed(const QString& reason) {
  if (!running_) return;
  open_ = false;
  Discard();
  if (!down_) {
    down_ = true;
    emit Down(reason);
  }
  retry_.start(nextRetryMs_);
  nextRetryMs_ = std::min(nextRetryMs_ * 2, kLongestRetryMs);
}

}  // namespace field
