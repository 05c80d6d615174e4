#pragma once

#include <QDateTime>
#include <QString>
#include <chrono>
#include <mutex>

namespace lanesim::onvif {

// The camera's own clock: the machine's, moved by an offset that
// SetSystemDateAndTime changes, with the time zone a client set. Any thread.
class CameraClock {
 public:
  explicit CameraClock(std::chrono::seconds offset);

  QDateTime Now() const;  // UTC
  // Read as the camera's wall clock by its POSIX time zone (standard time
  // only); the fields are local, the time spec still says UTC.
  QDateTime LocalNow() const;
  std::chrono::milliseconds Offset() const;
  QString TimeZone() const;
  bool Ntp() const;

  // Manual: the clock now reads `utc`.
  void Set(const QDateTime& utc);
  // NTP: the clock follows the machine's, as a synchronised camera's does.
  void FollowNtp();
  void SetTimeZone(const QString& posix);

 private:
  mutable std::mutex mutex_;
  std::chrono::milliseconds offset_;
  QString timeZone_ = QStringLiteral("CST-8");
  bool ntp_ = false;
};

// Seconds east of UTC that a POSIX TZ string such as "CST-8" or "EST5EDT"
// names for standard time; 0 when it names none.
int PosixZoneOffsetSeconds(const QString& posix);

}  // namespace lanesim::onvif
