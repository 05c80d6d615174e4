#include "UsernameToken.h"

#include "SoapEnvelope.h"
#include "XmlTree.h"
#include "XsdTime.h"

namespace lanesim::onvif {

TokenVerdict CheckUsernameToken(const field::onvif::XmlElement* header, const QString& user,
                                const QString& password, const QDateTime& cameraNow) {
  const field::onvif::XmlElement* token =
      header == nullptr ? nullptr : header->Path({u"Security", u"UsernameToken"});
  if (token == nullptr) return {};
  const auto refused = [](const QString& why) {
    return TokenVerdict{TokenVerdict::Kind::Refused, why};
  };
  const field::onvif::XmlElement* passwordElement = token->Child(u"Password");
  if (passwordElement == nullptr ||
      !passwordElement->Attribute(u"Type").endsWith(QLatin1String("#PasswordDigest"))) {
    return refused(QStringLiteral("only PasswordDigest is accepted"));
  }
  const QString created = token->TextOf(u"Created");
  const std::optional<QDateTime> createdAt = ParseDateTime(created);
  if (!createdAt) return refused(QStringLiteral("no valid Created"));
  const QByteArray nonce = QByteArray::fromBase64(token->TextOf(u"Nonce").toLatin1());
  const QByteArray digest = field::onvif::PasswordDigest(nonce, created.toUtf8(), password);
  if (token->TextOf(u"Username") != user || passwordElement->text.toLatin1() != digest) {
    return refused(QStringLiteral("wrong user or password"));
  }
  const qint64 offBy = cameraNow.secsTo(*createdAt);
  if (std::abs(offBy) > kTokenTolerance.count()) {
    return refused(QStringLiteral("Created %1 s off the camera's clock").arg(offBy));
  }
  return {TokenVerdict::Kind::Accepted, {}};
}

}  // namespace lanesim::onvif
