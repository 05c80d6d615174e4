#include "TcpLine.h"

namespace lanesim {
namespace {

QString Peer(const QTcpSocket& socket) {
  return QStringLiteral("%1:%2").arg(socket.peerAddress().toString()).arg(socket.peerPort());
}

}  // namespace

std::unique_ptr<TcpLine> TcpLine::Listen(quint16 port, QString& error) {
  std::unique_ptr<TcpLine> line(new TcpLine);
  if (!line->server_.listen(QHostAddress::LocalHost, port)) {
    error = QStringLiteral("cannot listen on 127.0.0.1:%1: %2")
                .arg(QString::number(port), line->server_.errorString());
    return nullptr;
  }
  connect(&line->server_, &QTcpServer::newConnection, line.get(), &TcpLine::Accept);
  return line;
}

void TcpLine::Send(const QByteArray& bytes) {
  if (client_ && client_->state() == QAbstractSocket::ConnectedState) client_->write(bytes);
}

void TcpLine::Accept() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    if (client_) {
      emit Note(QStringLiteral("lanesim: refused %1, %2 is connected")
                    .arg(Peer(*socket), Peer(*client_)));
      socket->close();
      socket->deleteLater();
      continue;
    }
    client_ = socket;
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const QString peer = Peer(*socket);
    emit Note(QStringLiteral("lanesim: client %1 connected").arg(peer));
    connect(socket, &QTcpSocket::readyRead, this,
            [this, socket] { emit Received(socket->readAll()); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket, peer] {
      emit Note(QStringLiteral("lanesim: client %1 left").arg(peer));
      if (client_ == socket) client_ = nullptr;
      socket->deleteLater();
    });
  }
}

}  // namespace lanesim
