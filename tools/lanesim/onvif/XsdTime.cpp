#include "XsdTime.h"

#include <QRegularExpression>
#include <cmath>

namespace lanesim::onvif {

std::optional<std::chrono::milliseconds> ParseDuration(const QString& text) {
  static const QRegularExpression pattern(QStringLiteral(
      R"(^P(?:(\d+)Y)?(?:(\d+)M)?(?:(\d+)D)?(?:T(?:(\d+)H)?(?:(\d+)M)?(?:(\d+(?:\.\d+)?)S)?)?$)"));
  const QString trimmed = text.trimmed();
  const QRegularExpressionMatch match = pattern.match(trimmed);
  if (!match.hasMatch() || trimmed == QLatin1String("P") || trimmed.endsWith(u'T')) {
    return std::nullopt;
  }
  constexpr double kSecondsIn[] = {365 * 86400.0, 30 * 86400.0, 86400, 3600, 60, 1};
  double seconds = 0;
  for (int part = 0; part < 6; ++part)
    seconds += match.captured(part + 1).toDouble() * kSecondsIn[part];
  // A century: any longer is no time a camera waits.
  if (seconds > 100 * 365 * 86400.0) return std::nullopt;
  return std::chrono::milliseconds(std::llround(seconds * 1000));
}

std::optional<QDateTime> ParseDateTime(const QString& text) {
  QDateTime time = QDateTime::fromString(text.trimmed(), Qt::ISODateWithMs);
  if (!time.isValid()) return std::nullopt;
  if (time.timeSpec() == Qt::LocalTime) time.setTimeSpec(Qt::UTC);
  return time.toUTC();
}

std::optional<QDateTime> ParseAbsoluteOrRelative(const QString& text, const QDateTime& now) {
  if (text.trimmed().startsWith(u'P')) {
    const std::optional<std::chrono::milliseconds> duration = ParseDuration(text);
    if (!duration) return std::nullopt;
    return now.addMSecs(duration->count());
  }
  return ParseDateTime(text);
}

QString XsdDateTime(const QDateTime& time) {
  return time.toUTC().toString(Qt::ISODate);
}

QString XsdDuration(std::chrono::milliseconds duration) {
  const qint64 ms = duration.count();
  if (ms % 1000 == 0) return QStringLiteral("PT%1S").arg(ms / 1000);
  return QStringLiteral("PT%1S").arg(QString::number(ms / 1000.0, 'f', 3));
}

}  // namespace lanesim::onvif
