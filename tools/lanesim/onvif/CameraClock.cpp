#include "CameraClock.h"

#include <QRegularExpression>

namespace lanesim::onvif {

CameraClock::CameraClock(std::chrono::seconds offset) : offset_(offset) {}

QDateTime CameraClock::Now() const {
  return QDateTime::currentDateTimeUtc().addMSecs(Offset().count());
}

QDateTime CameraClock::LocalNow() const {
  return Now().addSecs(PosixZoneOffsetSeconds(TimeZone()));
}

std::chrono::milliseconds CameraClock::Offset() const {
  const std::lock_guard lock(mutex_);
  return offset_;
}

QString CameraClock::TimeZone() const {
  const std::lock_guard lock(mutex_);
  return timeZone_;
}

bool CameraClock::Ntp() const {
  const std::lock_guard lock(mutex_);
  return ntp_;
}

void CameraClock::Set(const QDateTime& utc) {
  const std::lock_guard lock(mutex_);
  offset_ = std::chrono::milliseconds(QDateTime::currentDateTimeUtc().msecsTo(utc));
  ntp_ = false;
}

void CameraClock::FollowNtp() {
  const std::lock_guard lock(mutex_);
  offset_ = std::chrono::milliseconds(0);
  ntp_ = true;
}

void CameraClock::SetTimeZone(const QString& posix) {
  const std::lock_guard lock(mutex_);
  timeZone_ = posix;
}

// POSIX counts hours west of Greenwich: "CST-8" is eight hours east.
int PosixZoneOffsetSeconds(const QString& posix) {
  static const QRegularExpression standard(
      QStringLiteral(R"(^(?:[A-Za-z]{3,}|<[^>]+>)([+-]?)(\d{1,2})(?::(\d{2}))?)"));
  const QRegularExpressionMatch match = standard.match(posix.trimmed());
  if (!match.hasMatch()) return 0;
  const int west = match.captured(2).toInt() * 3600 + match.captured(3).toInt() * 60;
  return match.captured(1) == QLatin1String("-") ? west : -west;
}

}  // namespace lanesim::onvif
