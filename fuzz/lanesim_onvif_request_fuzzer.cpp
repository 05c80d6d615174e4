#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstddef>
#include <cstdint>

#include "CameraClock.h"
#include "FuzzCheck.h"
#include "HttpDigest.h"
#include "UsernameToken.h"
#include "XmlTree.h"
#include "XsdTime.h"

// What a client sends lanesim's ONVIF camera, as its checks read it: the
// Authorization header, the SOAP header's UsernameToken, durations, times and
// a time zone.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString text = QString::fromUtf8(bytes);
  using namespace lanesim::onvif;

  static const HttpDigest digest(QStringLiteral("lanesim"), QStringLiteral("admin"),
                                 QStringLiteral("admin"));
  const HttpDigest::Verdict verdict = digest.Check(bytes, "POST", "/onvif/device_service", true);
  FuzzCheck(
      verdict != HttpDigest::Verdict::Accepted || bytes.trimmed().toLower().startsWith("basic"),
      "a digest is accepted only with a nonce this camera made");

  const QDateTime now(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);
  if (const auto duration = ParseDuration(text)) {
    FuzzCheck(duration->count() >= 0, "durations are never negative");
  }
  ParseAbsoluteOrRelative(text, now);
  PosixZoneOffsetSeconds(text);

  QString error;
  if (const auto header = field::onvif::ParseXml(bytes, error)) {
    // Accepting one would take a SHA-1 preimage of the password's digest.
    FuzzCheck(
        CheckUsernameToken(&*header, QStringLiteral("admin"), QStringLiteral("admin"), now).kind !=
            TokenVerdict::Kind::Accepted,
        "no token is accepted without the password's digest");
  }
  return 0;
}
