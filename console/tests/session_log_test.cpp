#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "SessionLog.h"

namespace {

QStringList ReadLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TEST(SessionLog, NamesTheFileAfterTheStart) {
  const QDateTime start(QDate(2026, 12, 8), QTime(7, 2, 27));
  EXPECT_EQ(SessionLog::PathFor(QStringLiteral("/var/lane"), start),
            QStringLiteral("/var/lane/session-2026-12-08_07-02-27.log"));
}

TEST(SessionLog, EveryLineIsOnDiskAsSoonAsItIsAppended) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("nested/folder/session.log"));
  SessionLog log(path);
  ASSERT_TRUE(log.IsOpen()) << log.Error().toStdString();

  const QDateTime sent(QDate(2026, 12, 8), QTime(10, 33, 48, 123));
  const QDateTime received(QDate(2026, 12, 8), QTime(10, 33, 48, 207));

  EXPECT_TRUE(log.Append(QStringLiteral(" 55 D5 44"), sent));
  EXPECT_EQ(ReadLines(path), QStringList{QStringLiteral("2026-12-08 10:33:48.123  55 D5 44")});
  EXPECT_TRUE(log.Append(QStringLiteral("接收 192.168.1.100: 55 D5 "), received));
  EXPECT_EQ(ReadLines(path), (QStringList{QStringLiteral("2026-12-08 10:33:48.123  55 D5 44"),
                                          QStringLiteral("2026-12-08 10:33:48.207 接收 "
                                                         "192.168.1.100: 55 D5 ")}));
}

TEST(SessionLog, StampsEachLineWithTheTimeItWasShown) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("session.log"));
  SessionLog log(path);
  const QDateTime before = QDateTime::currentDateTime();

  ASSERT_TRUE(log.Append(QStringLiteral("简易系统不支持该功能")));

  const QString line = ReadLines(path).value(0);
  const QDateTime stamp = QDateTime::fromString(line.left(SessionLog::kStampLength - 1),
                                                QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
  ASSERT_TRUE(stamp.isValid()) << line.toStdString();
  EXPECT_GE(stamp, before);
  EXPECT_LE(stamp, QDateTime::currentDateTime());
  EXPECT_EQ(line.mid(SessionLog::kStampLength), QStringLiteral("简易系统不支持该功能"));
}

TEST(SessionLog, AFolderThatCannotBeCreatedIsReported) {
  QTemporaryDir dir;
  QFile blocker(dir.filePath(QStringLiteral("plain-file")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  SessionLog log(dir.filePath(QStringLiteral("plain-file/session.log")));
  EXPECT_FALSE(log.IsOpen());
  EXPECT_TRUE(log.Error().contains(QStringLiteral("plain-file")));
}

TEST(SessionLog, AFullDiskClosesTheLogAndSaysWhy) {
  SessionLog log(QStringLiteral("/dev/full"));
  ASSERT_TRUE(log.IsOpen());
  EXPECT_FALSE(log.Append(QStringLiteral("no room")));
  EXPECT_FALSE(log.IsOpen());
  EXPECT_FALSE(log.Error().isEmpty());
  EXPECT_FALSE(log.Append(QStringLiteral("still no room")));
}

}  // namespace
