#include "TcpTransport.h"

namespace field {

TcpTransport::TcpTransport(LineSettings settings, QObject* parent)
    : ByteTransport(parent), settings_(std::move(settings)), connectTimeout_(this) {
  connectTimeout_.setSingleShot(true);
  connect(&connectTimeout_, &QTimer::timeout, this,
          [this] { Failed(QStringLiteral("no answer from the device server")); });
}

void TcpTransport::BeginOpen() {
  Discard();
  socket_ = new QTcpSocket(this);
  // Qt stops reading from the socket when this is full: a flood waits in the kernel.
  socket_->setReadBufferSize(kMaxQueuedBytes);
  socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  connect(socket_, &QTcpSocket::connected, this, [this] {
    connectTimeout_.stop();
    Opened();
  });
  connect(socket_, &QTcpSocket::readyRead, this, [this] { ReadAvailable(*socket_); });
  connect(socket_, &QTcpSocket::errorOccurred, this, [this] { Failed(socket_->errorString()); });
  connect(socket_, &QTcpSocket::disconnected, this,
          [this] { Failed(QStringLiteral("the device server closed the connection")); });
  connectTimeout_.start(kConnectTimeoutMs);
  socket_->connectToHost(settings_.Host(), settings_.TcpPort());
}

void TcpTransport::Discard() {
  connectTimeout_.stop();
  if (!socket_) return;
  socket_->disconnect(this);
  socket_->abort();
  socket_->deleteLater();
  socket_ = nullptr;
}

bool TcpTransport::WriteNow(const QByteArray& bytes, QString& error) {
  // Flushed at once: a frame must not wait for the event loop to go out.
  if (socket_->write(bytes) == bytes.size() && socket_->flush()) return true;
  error = socket_->errorString();
  return false;
}

}  // namespace field
