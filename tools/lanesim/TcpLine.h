#pragma once

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

#include "LineEnd.h"

namespace lanesim {

// The lane's serial line behind a device server in TCP server mode, on
// 127.0.0.1 only. Like most device servers it serves one client at a time:
// another is accepted and closed at once.
class TcpLine : public LineEnd {
  Q_OBJECT

 public:
  // Port 0 lets the system choose.
  static std::unique_ptr<TcpLine> Listen(quint16 port, QString& error);

  quint16 Port() const { return server_.serverPort(); }
  void Send(const QByteArray& bytes) override;

 private:
  TcpLine() = default;
  void Accept();

  QTcpServer server_;
  QPointer<QTcpSocket> client_;
};

}  // namespace lanesim
