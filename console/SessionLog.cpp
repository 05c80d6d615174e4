#include "SessionLog.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

QString SessionLog::PathFor(const QString& directory, const QDateTime& start) {
  const QString name =
      QStringLiteral("session-%1.log").arg(start.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")));
  return QDir(directory).filePath(name);
}

SessionLog::SessionLog(const QString& filePath) : file_(filePath) {
  const QString folder = QFileInfo(filePath).absolutePath();
  if (!QDir().mkpath(folder)) {
    error_ = QStringLiteral("cannot create folder %1").arg(folder);
    return;
  }
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
    error_ = file_.errorString();
  }
}

bool SessionLog::Append(const QString& line, const QDateTime& shownAt) {
  if (!file_.isOpen()) return false;
  QByteArray bytes = shownAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")).toUtf8();
  bytes.append(line.toUtf8());
  bytes.append('\n');
  if (file_.write(bytes) != bytes.size()) {
    error_ = file_.errorString();
    file_.close();
    return false;
  }
#ifdef Q_OS_UNIX
  // Character devices and some pseudo file systems cannot sync; that is not a lost line.
  if (::fdatasync(file_.handle()) != 0 && errno != EINVAL) {
    error_ = qt_error_string(errno);
    file_.close();
    return false;
  }
#endif
  return true;
}
