#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThread>

#include "EchoFilter.h"
#include "LineSettings.h"

namespace field {

class ByteTransport;

// The GUI thread's side of a lane's bus: the transport runs on a thread of
// its own, so reading and reopening go on while a handler sleeps or a modal
// box is open. Says in plain words when the line goes down and comes back.
// With discardEcho, what a half-duplex adapter hands back of each frame sent
// never reaches Received.
class SerialLine : public QObject {
  Q_OBJECT

 public:
  explicit SerialLine(LineSettings settings, QObject* parent = nullptr);
  ~SerialLine() override;

  // Starts opening; keeps trying until Close.
  void Open();
  // Returns once the port is released.
  void Close();
  bool IsUp() const { return up_; }
  // Why the line is down.
  QString Problem() const { return problem_; }
  // False with `error` naming the port and the reason while the line is down.
  bool Send(const QByteArray& bytes, QString& error);

 signals:
  void Received(const QByteArray& bytes);
  void Notice(const QString& text);

 private:
  void OnUp();
  void OnDown(const QString& reason);

  LineSettings settings_;
  QThread thread_;
  ByteTransport* transport_ = nullptr;
  bool running_ = false;
  bool up_ = false;
  bool everUp_ = false;
  QString problem_;
  EchoFilter echo_;
};

}  // namespace field
