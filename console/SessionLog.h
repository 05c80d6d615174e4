#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

// Every line shown in the message pane is also written here as it is shown,
// one file per start, so a console left beside a lane for days keeps the
// whole session on disk while the pane keeps only the newest lines. Each line
// carries the local time to the millisecond in front, so a device's reply
// time can be read from the log.
class SessionLog {
 public:
  // "2026-12-08 10:33:48.123 " before the pane's line.
  static constexpr qsizetype kStampLength = 24;

  static QString PathFor(const QString& directory, const QDateTime& start);

  // Creates the parent folder when missing and opens the file for appending;
  // check IsOpen() and Error().
  explicit SessionLog(const QString& filePath);

  bool IsOpen() const { return file_.isOpen(); }
  QString Path() const { return file_.fileName(); }
  QString Error() const { return error_; }

  // Writes the line and hands it to the disk before returning, so a crash or
  // power cut loses nothing already shown. On failure the log closes itself.
  bool Append(const QString& line, const QDateTime& shownAt = QDateTime::currentDateTime());

 private:
  QFile file_;
  QString error_;
};
