#include "SoapReply.h"

namespace lanesim::onvif {
namespace {

const QString kEnvelopeStart =
    QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>)"
                   R"(<env:Envelope xmlns:env="http://www.w3.org/2003/05/soap-envelope")"
                   R"( xmlns:xsd="http://www.w3.org/2001/XMLSchema")"
                   R"( xmlns:wsa="http://www.w3.org/2005/08/addressing")"
                   R"( xmlns:tt="http://www.onvif.org/ver10/schema")"
                   R"( xmlns:tds="http://www.onvif.org/ver10/device/wsdl")"
                   R"( xmlns:trt="http://www.onvif.org/ver10/media/wsdl")"
                   R"( xmlns:tr2="http://www.onvif.org/ver20/media/wsdl")"
                   R"( xmlns:tev="http://www.onvif.org/ver10/events/wsdl")"
                   R"( xmlns:wsnt="http://docs.oasis-open.org/wsn/b-2")"
                   R"( xmlns:wstop="http://docs.oasis-open.org/wsn/t-1")"
                   R"( xmlns:tns1="http://www.onvif.org/ver10/topics")"
                   R"( xmlns:ter="http://www.onvif.org/ver10/error")"
                   R"( xmlns:wsrf-rw="http://docs.oasis-open.org/wsrf/rw-2")"
                   R"( xmlns:ls="urn:laneconsole:lanesim">)");

QByteArray Envelope(const QString& header, const QString& body) {
  return (kEnvelopeStart + QStringLiteral("<env:Header>") + header +
          QStringLiteral("</env:Header><env:Body>") + body +
          QStringLiteral("</env:Body></env:Envelope>"))
      .toUtf8();
}

}  // namespace

QString Xml(const QString& text) {
  return text.toHtmlEscaped();
}

HttpReply SoapAnswer(const QString& body, const QString& action, const QString& relatesTo) {
  QString header;
  if (!action.isEmpty()) {
    header = QStringLiteral("<wsa:Action>%1</wsa:Action>").arg(Xml(action));
    if (!relatesTo.isEmpty()) {
      header += QStringLiteral("<wsa:RelatesTo>%1</wsa:RelatesTo>").arg(Xml(relatesTo));
    }
  }
  HttpReply reply;
  reply.body = Envelope(header, body);
  return reply;
}

HttpReply SoapFault(int status, const QString& code, const QStringList& subcodes,
                    const QString& reason) {
  QString subcode;
  for (auto it = subcodes.crbegin(); it != subcodes.crend(); ++it) {
    subcode =
        QStringLiteral("<env:Subcode><env:Value>%1</env:Value>%2</env:Subcode>").arg(*it, subcode);
  }
  HttpReply reply;
  reply.status = status;
  reply.body =
      Envelope({}, QStringLiteral("<env:Fault><env:Code><env:Value>%1</env:Value>%2</env:Code>"
                                  "<env:Reason><env:Text xml:lang=\"en\">%3</env:Text></env:Reason>"
                                  "</env:Fault>")
                       .arg(code, subcode, Xml(reason)));
  return reply;
}

}  // namespace lanesim::onvif
