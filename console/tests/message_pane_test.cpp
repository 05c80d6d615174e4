#include <QFile>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>

#include "ConsoleTestFixture.h"
#include "RadioGroup.h"

namespace {

class MessagePaneTest : public ConsoleTest {
 protected:
  QString logPath() const { return pictures.filePath(QStringLiteral("logs/session.log")); }

  QStringList LogLines() const {
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }
};

TEST_F(MessagePaneTest, EveryPaneLineIsAlsoInTheSessionLog) {
  window = MakeWindow(pictures.path(), nullptr, logPath());
  window->rgpSystemType->SetItemIndex(0);
  window->Button3->click();  // a notice
  window->AppendMessage(QStringLiteral("接收 192.168.1.100: 55 D5 "));

  EXPECT_EQ(PaneLines(), LogLines());
  EXPECT_EQ(LogLines(), (QStringList{QStringLiteral("简易系统不支持该功能"),
                                     QStringLiteral("接收 192.168.1.100: 55 D5 ")}));
}

TEST_F(MessagePaneTest, ALogThatCannotBeCreatedGivesOneNoticeAndTheConsoleCarriesOn) {
  QFile blocker(pictures.filePath(QStringLiteral("logs")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  window = MakeWindow(pictures.path(), nullptr, logPath());
  window->AppendMessage(QStringLiteral("first"));
  window->AppendMessage(QStringLiteral("second"));

  const QStringList lines = PaneLines();
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral("会话日志"))) << lines[0].toStdString();
  EXPECT_EQ(lines.mid(1), (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
}

TEST_F(MessagePaneTest, AFullDiskGivesOneNoticeAtTheFirstLostLine) {
  window = MakeWindow(pictures.path(), nullptr, QStringLiteral("/dev/full"));
  EXPECT_TRUE(PaneLines().isEmpty());
  window->AppendMessage(QStringLiteral("first"));
  window->AppendMessage(QStringLiteral("second"));

  const QStringList lines = PaneLines();
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], QStringLiteral("first"));
  EXPECT_TRUE(lines[1].contains(QStringLiteral("/dev/full"))) << lines[1].toStdString();
  EXPECT_EQ(lines[2], QStringLiteral("second"));
}

TEST_F(MessagePaneTest, ThePaneKeepsOnlyTheNewestLines) {
  const int total = TfmVideoStream::kPaneLineLimit + 25;
  for (int line = 1; line <= total; ++line) window->AppendMessage(QString::number(line));

  EXPECT_EQ(window->memMessage->document()->blockCount(), TfmVideoStream::kPaneLineLimit);
  EXPECT_EQ(window->memMessage->document()->firstBlock().text(), QStringLiteral("26"));
  EXPECT_EQ(window->memMessage->document()->lastBlock().text(), QString::number(total));
}

}  // namespace
