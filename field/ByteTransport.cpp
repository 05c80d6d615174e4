#include "ByteTransport.h"

#include <algorithm>

namespace field {

ByteTransport::ByteTransport(QObject* parent) : QObject(parent), retry_(this), gap_(this) {
  retry_.setSingleShot(true);
  connect(&retry_, &QTimer::timeout, this, [this] { BeginOpen(); });
  gap_.setSingleShot(true);
  gap_.setTimerType(Qt::PreciseTimer);
  connect(&gap_, &QTimer::timeout, this, &ByteTransport::EndChunk);
}

void ByteTransport::Start() {
  running_ = true;
  nextRetryMs_ = kFirstRetryMs;
  chunker_.Reset();
  BeginOpen();
}

void ByteTransport::Stop() {
  running_ = false;
  open_ = false;
  down_ = false;
  retry_.stop();
  gap_.stop();
  chunker_.Reset();
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
  bool read = false;
  {
    const QMutexLocker lock(&queueMutex_);
    while (queuedBytes_ < kMaxQueuedBytes && device.bytesAvailable() > 0) {
      const QByteArray bytes = device.read(kMaxQueuedBytes - queuedBytes_);
      if (bytes.isEmpty()) break;
      read = true;
      for (const QByteArray& chunk : chunker_.Add(bytes)) announce = Enqueue(chunk) || announce;
    }
  }
  // The gap is counted from the newest byte.
  if (read && chunker_.HasPending()) gap_.start(gapMs_);
  if (read && !chunker_.HasPending()) gap_.stop();
  if (announce) emit Readable();
}

void ByteTransport::EndChunk() {
  if (!chunker_.HasPending()) return;
  bool announce = false;
  {
    const QMutexLocker lock(&queueMutex_);
    announce = Enqueue(chunker_.TakePending());
  }
  if (announce) emit Readable();
}

bool ByteTransport::Enqueue(const QByteArray& chunk) {
  queue_.append(chunk);
  queuedBytes_ += chunk.size();
  const bool announce = !announced_;
  announced_ = true;
  return announce;
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
  // What came before the line went down was received all the same.
  gap_.stop();
  EndChunk();
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
