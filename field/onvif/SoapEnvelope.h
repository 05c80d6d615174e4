#pragma once

// What the console sends to an ONVIF device: fixed SOAP 1.2 envelopes around
// an operation's body, with a WS-Security UsernameToken and WS-Addressing
// headers when the call needs them.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace field::onvif {

struct UsernameToken {
  QString user;
  QString password;
  // In the camera's clock, UTC.
  QDateTime created;
  QByteArray nonce;
};

// WS-Addressing 2005/08, as pull points require.
struct Addressing {
  QString to;
  QString action;
  QString messageId;
  // Header blocks already marked as reference parameters (EchoReferenceParameters).
  QByteArray referenceParameters;
};

struct SoapHeaders {
  std::optional<UsernameToken> token;
  std::optional<Addressing> addressing;
};

inline constexpr char kSoapNamespace[] = "http://www.w3.org/2003/05/soap-envelope";
inline constexpr char kAddressingNamespace[] = "http://www.w3.org/2005/08/addressing";

// `body` is the operation element, written by the caller with its own xmlns.
QByteArray BuildEnvelope(const QByteArray& body, const SoapHeaders& headers = {});

// Base64(SHA1(nonce + created + password)).
QByteArray PasswordDigest(const QByteArray& nonce, const QByteArray& created,
                          const QString& password);

// xs:dateTime in UTC with milliseconds, as WS-Security's Created.
QByteArray SoapTime(const QDateTime& time);

// Text safe inside an element or a double-quoted attribute.
QByteArray Escaped(const QString& text);

}  // namespace field::onvif
