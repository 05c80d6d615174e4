#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace lanesim {

// Where the lane's serial line comes out: whoever plays the camera is on the
// far side of it.
class LineEnd : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // Bytes for the far side; lost when nobody is there, as on a real line.
  virtual void Send(const QByteArray& bytes) = 0;

 signals:
  void Received(const QByteArray& bytes);
  // Something the operator should see, such as a client coming or going.
  void Note(const QString& line);
};

}  // namespace lanesim
