#pragma once

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include "ByteTransport.h"
#include "LineSettings.h"

namespace field {

// A serial device server in TCP server mode: the bus's bytes, re-chunked
// as the server pleases, over one connection.
class TcpTransport : public ByteTransport {
  Q_OBJECT

 public:
  // A server that neither answers nor refuses counts as down after this.
  static constexpr int kConnectTimeoutMs = 2000;

  explicit TcpTransport(LineSettings settings, QObject* parent = nullptr);

 protected:
  void BeginOpen() override;
  void Discard() override;
  bool WriteNow(const QByteArray& bytes, QString& error) override;
  QIODevice* Device() override { return socket_; }

 private:
  LineSettings settings_;
  QPointer<QTcpSocket> socket_;
  QTimer connectTimeout_;
};

}  // namespace field
