#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QTimer>

#include "ReplyChunker.h"

namespace field {

// A lane's bus, reopened by itself after any failure with a backoff that
// never exceeds kLongestRetryMs. Lives on its line's own thread; its signals
// reach the GUI thread queued. What it reads waits in a bounded queue until
// the GUI thread takes it: a device that floods the line fills the queue,
// then the kernel's buffers, then waits, and never starves the GUI thread
// of its timers and input with a backlog of events. Bytes that arrive less
// than the receive gap apart make one chunk, which a whole controller reply
// ends at once.
class ByteTransport : public QObject {
  Q_OBJECT

 public:
  static constexpr int kFirstRetryMs = 100;
  static constexpr int kLongestRetryMs = 1000;
  static constexpr qsizetype kMaxQueuedBytes = 64 * 1024;

  explicit ByteTransport(QObject* parent = nullptr);

  // Before Start.
  void SetReceiveGap(int milliseconds) { gapMs_ = milliseconds; }

  // Opens now and keeps reopening until Stop.
  void Start();
  void Stop();
  // A write that fails counts as the line failing.
  void Write(const QByteArray& bytes);
  // From any thread: the chunks received so far, in order. Reading goes on.
  QList<QByteArray> TakeReceived();

 signals:
  // Chunks wait to be taken; said once until they are.
  void Readable();
  void Up();
  // Once per outage, whatever the number of tries that fail.
  void Down(const QString& reason);

 protected:
  // Begins an attempt; the subclass reports it with Opened() or Failed(),
  // at once or later.
  virtual void BeginOpen() = 0;
  // Forgets the device object of the last attempt: a failed one is never reused.
  virtual void Discard() = 0;
  virtual bool WriteNow(const QByteArray& bytes, QString& error) = 0;

  void Opened();
  void Failed(const QString& reason);
  // Reads what `device` holds, as far as the queue has room.
  void ReadAvailable(QIODevice& device);
  // The open device, or nothing between attempts.
  virtual QIODevice* Device() = 0;

 private:
  // Hands what waits for more to the queue, as one chunk.
  void EndChunk();
  // Called with queueMutex_ held; true when the GUI thread is to be told.
  bool Enqueue(const QByteArray& chunk);

  QTimer retry_;
  QTimer gap_;
  int gapMs_ = 20;
  ReplyChunker chunker_;
  int nextRetryMs_ = kFirstRetryMs;
  bool running_ = false;
  bool open_ = false;
  bool down_ = false;
  QMutex queueMutex_;
  QList<QByteArray> queue_;
  qsizetype queuedBytes_ = 0;
  bool announced_ = false;
};

}  // namespace field
