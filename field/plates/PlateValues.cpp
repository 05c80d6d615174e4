#include "PlateValues.h"

#include <cmath>

#include "Refusal.h"

namespace field {
namespace {

// 9999-12-31T23:59:59.999Z: later epoch values are no camera's clock.
constexpr double kLastEpochMs = 253402300799999.0;
constexpr double kFirstEpochMsWrittenInMs = 1e11;

std::optional<double> NumberOf(const QJsonValue& value) {
  if (value.isDouble()) return value.toDouble();
  if (!value.isString()) return std::nullopt;
  bool ok = false;
  const double number = value.toString().trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(number)) return std::nullopt;
  return number;
}

QString Number(double number) {
  return QString::number(number, 'g', 17);
}

QDateTime EpochTime(const QJsonValue& value, const QString& name, TimeFormat format) {
  const std::optional<double> number = NumberOf(value);
  double ms = number.value_or(-1);
  const bool seconds = format == TimeFormat::EpochSeconds ||
                       (format == TimeFormat::EpochEither && ms < kFirstEpochMsWrittenInMs);
  if (seconds) ms *= 1000;
  if (!(ms >= 0 && ms <= kLastEpochMs)) {
    Refuse(name, format == TimeFormat::EpochSeconds
                     ? QStringLiteral("is not a time in seconds since 1970")
                 : format == TimeFormat::EpochMilliseconds
                     ? QStringLiteral("is not a time in milliseconds since 1970")
                     : QStringLiteral("is not a time in seconds or milliseconds since 1970"));
  }
  return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms), Qt::UTC);
}

QDateTime DigitsTime(const QJsonValue& value, const QString& name) {
  QString digits = TextOf(value, name);
  if (digits.size() > 8 && digits[8] == u' ') digits.remove(8, 1);
  const QDateTime time = QDateTime::fromString(digits.left(14), QStringLiteral("yyyyMMddHHmmss"));
  bool fractionOk = true;
  const QString fraction = digits.mid(14);
  if (!fraction.isEmpty()) fraction.toUInt(&fractionOk);
  if (!time.isValid() || !fractionOk)
    Refuse(name, QStringLiteral("is not a time written yyyyMMddHHmmss"));
  const int ms = fraction.isEmpty() ? 0 : (fraction + QStringLiteral("00")).left(3).toInt();
  return time.addMSecs(ms);
}

}  // namespace

bool IsGiven(const QJsonValue& value) {
  return !value.isNull() && !value.isUndefined();
}

QString StringOf(const QJsonValue& value, const QString& name) {
  if (IsGiven(value) && !value.isString()) Refuse(name, QStringLiteral("is not a string"));
  return value.toString();
}

QString TextOf(const QJsonValue& value, const QString& name) {
  if (value.isDouble()) return Number(value.toDouble());
  return StringOf(value, name);
}

QString PlateTextOf(const QJsonValue& value, const QString& name) {
  if (!IsGiven(value)) Refuse(name, QStringLiteral("is missing"));
  const QString text = StringOf(value, name);
  if (text.isEmpty()) Refuse(name, QStringLiteral("is empty"));
  return text;
}

float ConfidenceOf(const QJsonValue& value, const QString& name, double scale) {
  if (!IsGiven(value)) return 0;
  const std::optional<double> number = NumberOf(value);
  if (!number) Refuse(name, QStringLiteral("is not a number"));
  if (!(*number >= 0 && *number <= scale)) {
    Refuse(name, QStringLiteral("%1 is not between 0 and %2").arg(Number(*number), Number(scale)));
  }
  return static_cast<float>(*number / scale);
}

QDateTime TimeOf(const QJsonValue& value, const QString& name, TimeFormat format) {
  if (!IsGiven(value)) return {};
  switch (format) {
    case TimeFormat::Iso8601: {
      const QDateTime time = QDateTime::fromString(StringOf(value, name), Qt::ISODateWithMs);
      if (!time.isValid()) Refuse(name, QStringLiteral("is not an ISO 8601 date and time"));
      return time;
    }
    case TimeFormat::Digits:
      return DigitsTime(value, name);
    case TimeFormat::EpochSeconds:
    case TimeFormat::EpochMilliseconds:
    case TimeFormat::EpochEither:
      break;
  }
  return EpochTime(value, name, format);
}

QByteArray Base64PictureOf(const QJsonValue& value, const QString& name, QStringList& notices) {
  if (!IsGiven(value)) return {};
  // Some senders wrap their base64 in lines.
  const QByteArray text = value.toString().toLatin1().simplified().replace(' ', QByteArray());
  const auto decoded = QByteArray::fromBase64Encoding(
      text, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
  if (!value.isString() || !decoded || (decoded.decoded.isEmpty() && !text.isEmpty())) {
    notices << Quoted(name) + QStringLiteral(" is not valid base64");
    return {};
  }
  return decoded.decoded;
}

}  // namespace field
