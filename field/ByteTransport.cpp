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
  const QMutexLocker lock(&queueMutex_);
  queue_.clear();
  queuedBytes_ = 0;
}

QList<QByteArray> ByteTransport::TakeReceived() {
  QList<QByteArray> taken;
  {
    const QMutexLocker lock(&queueMutex_);
    taken.swap(queue_);
    queuedBytes_ = 0;
    announced_ = false;
  }
  // Whatever waited for room is read on the line's own thread.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (QIODevice* device = Device()) ReadAvailable(*device);
      },
      Qt::QueuedConnection);
  return taken;
}

void ByteTransport::ReadAvailable(QIODevice& device) {
  bool announce = false;
  {
    const QMutexLocker lock(&queueMutex_);
    while (queuedBytes_ < kMaxQueuedBytes && device.bytesAvailable() > 0) {
      const QByteArray chunk = device.read(kMaxQueuedBytes - queuedBytes_);
      if (chunk.isEmpty()) break;
      queue_.append(chunk);
      queuedBytes_ += chunk.size();
    }
    announce = !queue_.isEmpty() && !announced_;
    announced_ = announced_ || announce;
  }
  if (announce) emit Readable();
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
