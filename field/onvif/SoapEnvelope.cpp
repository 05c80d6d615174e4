#include "SoapEnvelope.h"

#include <QCryptographicHash>

namespace field::onvif {
namespace {

QByteArray SecurityHeader(const UsernameToken& token) {
  const QByteArray created = SoapTime(token.created);
  return "<Security s:mustUnderstand=\"1\" "
         "xmlns=\"http://docs.oasis-open.org/wss/2004/01/"
         "oasis-200401-wss-wssecurity-secext-1.0.xsd\"><UsernameToken><Username>" +
         Escaped(token.user) +
         "</Username><Password Type=\"http://docs.oasis-open.org/wss/2004/01/"
         "oasis-200401-wss-username-token-profile-1.0#PasswordDigest\">" +
         PasswordDigest(token.nonce, created, token.password) +
         "</Password><Nonce EncodingType=\"http://docs.oasis-open.org/wss/2004/01/"
         "oasis-200401-wss-soap-message-security-1.0#Base64Binary\">" +
         token.nonce.toBase64() +
         "</Nonce><Created xmlns=\"http://docs.oasis-open.org/wss/2004/01/"
         "oasis-200401-wss-wssecurity-utility-1.0.xsd\">" +
         created + "</Created></UsernameToken></Security>";
}

QByteArray AddressingHeaders(const Addressing& addressing) {
  return "<a:Action s:mustUnderstand=\"1\">" + Escaped(addressing.action) +
         "</a:Action><a:MessageID>" + Escaped(addressing.messageId) +
         "</a:MessageID><a:To s:mustUnderstand=\"1\">" + Escaped(addressing.to) + "</a:To>" +
         addressing.referenceParameters;
}

}  // namespace

QByteArray BuildEnvelope(const QByteArray& body, const SoapHeaders& headers) {
  QByteArray header;
  if (headers.addressing) header += AddressingHeaders(*headers.addressing);
  if (headers.token) header += SecurityHeader(*headers.token);
  return QByteArrayLiteral(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
             "<s:Envelope xmlns:s=\"") +
         kSoapNamespace + "\" xmlns:a=\"" + kAddressingNamespace + "\"><s:Header>" + header +
         "</s:Header><s:Body xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">" +
         body + "</s:Body></s:Envelope>";
}

QByteArray PasswordDigest(const QByteArray& nonce, const QByteArray& created,
                          const QString& password) {
  QCryptographicHash sha1(QCryptographicHash::Sha1);
  sha1.addData(nonce);
  sha1.addData(created);
  sha1.addData(password.toUtf8());
  return sha1.result().toBase64();
}

QByteArray SoapTime(const QDateTime& time) {
  return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")).toLatin1();
}

QByteArray Escaped(const QString& text) {
  return text.toHtmlEscaped().toUtf8();
}

}  // namespace field::onvif
