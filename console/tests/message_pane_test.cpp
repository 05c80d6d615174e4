#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "ConsoleTestFixture.h"
#include "RadioGroup.h"
#include "SessionLog.h"

namespace {

class MessagePaneTest : public ConsoleTest {
 protected:
  QString logPath() const { return pictures.filePath(QStringLiteral("logs/session.log")); }

  // The pane's lines as the log holds them, behind their time stamps.
  QStringList LogLines() const {
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines;
    for (const QString& line :
         QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
      lines << line.mid(SessionLog::kStampLength);
    }
    return lines;
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

  const MessagePane& pane = *window->memMessage;
  EXPECT_EQ(pane.LineCount(), TfmVideoStream::kPaneLineLimit);
  EXPECT_EQ(pane.Line(0), QStringLiteral("26"));
  EXPECT_EQ(pane.Line(pane.LineCount() - 1), QString::number(total));
}

class PaneBehaviourTest : public ::testing::Test {
 protected:
  static constexpr int kLimit = 50;

  PaneBehaviourTest() : pane(kLimit) {
    pane.resize(300, 10 * pane.fontMetrics().lineSpacing() + 2 * pane.frameWidth() + 20);
    pane.show();
  }

  void Append(int from, int to) {
    for (int line = from; line <= to; ++line) pane.AppendLine(QString::number(line));
  }

  QPoint OnLine(int index) const {
    const int height = pane.fontMetrics().lineSpacing();
    return {10, (index - pane.TopLine()) * height + height / 2};
  }

  MessagePane pane;
};

TEST_F(PaneBehaviourTest, FollowsNewLinesAtTheBottomAndStaysPutWhenScrolledBack) {
  Append(1, 30);
  QScrollBar& bar = *pane.verticalScrollBar();
  EXPECT_EQ(bar.value(), bar.maximum());
  EXPECT_EQ(pane.Line(pane.TopLine() + bar.pageStep() - 1), QStringLiteral("30"));

  bar.setValue(12);
  Append(31, 40);
  EXPECT_EQ(pane.Line(pane.TopLine()), QStringLiteral("13"));
  // Older lines leaving the pane do not move what the engineer is reading.
  Append(41, 55);
  EXPECT_EQ(pane.Line(0), QStringLiteral("6"));
  EXPECT_EQ(pane.Line(pane.TopLine()), QStringLiteral("13"));
  Append(56, 70);
  EXPECT_EQ(pane.TopLine(), 0);

  bar.setValue(bar.maximum());
  Append(71, 71);
  EXPECT_EQ(bar.value(), bar.maximum());
  EXPECT_EQ(pane.Line(pane.TopLine() + bar.pageStep() - 1), QStringLiteral("71"));
}

TEST_F(PaneBehaviourTest, DraggedLinesAreCopiedWholeAndStayOnTheirLines) {
  Append(1, 8);
  QTest::mousePress(pane.viewport(), Qt::LeftButton, {}, OnLine(2));
  QMouseEvent drag(QEvent::MouseMove, OnLine(4), pane.viewport()->mapToGlobal(OnLine(4)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(pane.viewport(), &drag);
  QTest::mouseRelease(pane.viewport(), Qt::LeftButton, {}, OnLine(4));
  EXPECT_EQ(pane.SelectedText(), QStringLiteral("3\n4\n5"));

  QTest::keyClick(&pane, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("3\n4\n5"));

  Append(9, 53);  // lines 1-3 leave the pane
  EXPECT_EQ(pane.SelectedText(), QStringLiteral("4\n5"));
  Append(54, 60);
  EXPECT_EQ(pane.SelectionStart(), -1);
  EXPECT_TRUE(pane.SelectedText().isEmpty());

  QTest::keyClick(&pane, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(pane.SelectedText(), pane.Lines().join('\n'));
  EXPECT_EQ(pane.Lines().size(), kLimit);
}

TEST_F(PaneBehaviourTest, ShiftClickExtendsTheSelectionBackwards) {
  Append(1, 8);
  QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, OnLine(5));
  QTest::mouseClick(pane.viewport(), Qt::LeftButton, Qt::ShiftModifier, OnLine(1));
  EXPECT_EQ(pane.SelectedText(), QStringLiteral("2\n3\n4\n5\n6"));
  // Below the last line picks the last line.
  QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, OnLine(9));
  EXPECT_EQ(pane.SelectedText(), QStringLiteral("8"));
}

}  // namespace
