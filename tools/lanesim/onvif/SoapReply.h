#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace lanesim::onvif {

struct HttpReply {
  int status = 200;
  QByteArray contentType = "application/soap+xml; charset=utf-8";
  QByteArray body;
  std::vector<std::pair<QByteArray, QByteArray>> headers;
};

// Text safe inside an element or a double-quoted attribute.
QString Xml(const QString& text);

// A SOAP 1.2 answer around `body`, every prefix the answers use declared on
// the envelope. `action`, when given, goes out as the WS-Addressing Action,
// with RelatesTo naming the request's MessageID when it had one.
HttpReply SoapAnswer(const QString& body, const QString& action = {},
                     const QString& relatesTo = {});

// A SOAP 1.2 Fault. `code` is env:Sender or env:Receiver; `subcodes` outermost first.
HttpReply SoapFault(int status, const QString& code, const QStringList& subcodes,
                    const QString& reason);

}  // namespace lanesim::onvif
