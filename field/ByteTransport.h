#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

namespace field {

// A lane's bus, reopened by itself after any failure with a backoff that
// never exceeds kLongestRetryMs. Lives on its line's own thread; its signals
// reach the GUI thread queued.
class ByteTransport : public QObject {
  Q_OBJECT

 public:
  static constexpr int kFirstRetryMs = 100;
  static constexpr int kLongestRetryMs = 1000;

  explicit ByteTransport(QObject* parent = nullptr);

  // Opens now and keeps reopening until Stop.
  void Start();
  void Stop();
  // A write that fails counts as the line failing.
  void Write(const QByteArray& bytes);

 signals:
  void Received(const QByteArray& bytes);
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

 private:
  QTimer retry_;
  int nextRetryMs_ = kFirstRetryMs;
  bool running_ = false;
  bool open_ = false;
  bool down_ = false;
};

}  // namespace field
