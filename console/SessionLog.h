#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

// Every line shown in the message pane is also written here as it is shown,
// one file per start, so a console left beside a lane for days keeps the
// whole session on disk while the pane keeps only the newest lines.
class SessionLog {
 public:
  static QString PathFor(const QString& directory, const QDateTime& start);

  // Creates the parent folder when missing and opens the file for appending;
  // check IsOpen() and Error().
  explicit SessionLog(const QString& filePath);

  bool IsOpen() const { return file_.isOpen(); }
  QString Path() const { return file_.fileName(); }
  QString Error() const { return error_; }

  // Writes the line and hands it to the disk before returning, so a crash or
  // power cut loses nothing already shown. On failure the log closes itself.
  bool Append(const QString& line);

 private:
  QFile file_;
  QString error_;
};
