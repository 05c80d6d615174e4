#include "TtyTransport.h"

namespace field {
namespace {

QSerialPort::Parity ToQt(LineSettings::Parity parity) {
  switch (parity) {
    case LineSettings::Parity::Even:
      return QSerialPort::EvenParity;
    case LineSettings::Parity::Odd:
      return QSerialPort::OddParity;
    case LineSettings::Parity::None:
      break;
  }
  return QSerialPort::NoParity;
}

}  // namespace

TtyTransport::TtyTransport(LineSettings settings, QObject* parent)
    : ByteTransport(parent), settings_(std::move(settings)) {}

void TtyTransport::BeginOpen() {
  Discard();
  port_ = new QSerialPort(this);
  port_->setPortName(settings_.port);
  // Qt stops reading from the terminal when this is full: a flood waits in the kernel.
  port_->setReadBufferSize(kMaxQueuedBytes);
  const bool configured =
      port_->open(QIODevice::ReadWrite) && port_->setBaudRate(settings_.baud) &&
      port_->setDataBits(static_cast<QSerialPort::DataBits>(settings_.dataBits)) &&
      port_->setParity(ToQt(settings_.parity)) &&
      port_->setStopBits(settings_.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
      port_->setFlowControl(QSerialPort::NoFlowControl);
  if (!configured) {
    QString reason = port_->errorString();
    if (port_->error() == QSerialPort::PermissionError &&
        reason.contains(QLatin1String("ermission"))) {
      reason += QStringLiteral(" (is the user in the dialout group?)");
    }
    Failed(reason);
    return;
  }
  connect(port_, &QSerialPort::readyRead, this, [this] { ReadAvailable(*port_); });
  connect(port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
    if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError) {
      Failed(port_->errorString());
    }
  });
  Opened();
}

void TtyTransport::Discard() {
  if (!port_) return;
  port_->disconnect(this);
  port_->close();
  port_->deleteLater();
  port_ = nullptr;
}

bool TtyTransport::WriteNow(const QByteArray& bytes, QString& error) {
  // Flushed at once: a frame must not wait for the event loop to go out.
  if (port_->write(bytes) == bytes.size() && port_->flush()) return true;
  error = port_->errorString();
  return false;
}

}  // namespace field
