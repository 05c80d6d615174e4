#pragma once

#include <QDateTime>
#include <QString>
#include <chrono>

namespace field::onvif {
struct XmlElement;
}

namespace lanesim::onvif {

struct TokenVerdict {
  enum class Kind { Missing, Accepted, Refused };
  Kind kind = Kind::Missing;
  QString why;  // for Refused
};

// A camera forgives a client clock this far off its own, either way.
constexpr std::chrono::seconds kTokenTolerance{5};

// Checks the WS-Security UsernameToken among the SOAP `header`'s blocks:
// PasswordDigest only, Created within kTokenTolerance of `cameraNow`.
TokenVerdict CheckUsernameToken(const field::onvif::XmlElement* header, const QString& user,
                                const QString& password, const QDateTime& cameraNow);

}  // namespace lanesim::onvif
