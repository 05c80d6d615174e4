#pragma once

#include <QPointer>
#include <QSerialPort>

#include "ByteTransport.h"
#include "LineSettings.h"

namespace field {

// A tty: a USB adapter, a pseudo-terminal, or a link to either. Every attempt
// opens a fresh port object: after an unplug, Qt 6.4's keeps a stale error
// and reports a zero-length read as a failure again and again.
class TtyTransport : public ByteTransport {
  Q_OBJECT

 public:
  explicit TtyTransport(LineSettings settings, QObject* parent = nullptr);

 protected:
  void BeginOpen() override;
  void Discard() override;
  bool WriteNow(const QByteArray& bytes, QString& error) override;
  QIODevice* Device() override { return port_; }

 private:
  LineSettings settings_;
  QPointer<QSerialPort> port_;
};

}  // namespace field
