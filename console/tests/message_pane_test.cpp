#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "ConsoleTestFixture.h"
#include "MessagePaneModel.h"
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

  // The lines arrive together, then the event loop runs once, as in the console.
  void Append(int from, int to) {
    for (int line = from; line <= to; ++line) pane.AppendLine(QString::number(line));
    QCoreApplication::processEvents();
  }

  void AppendOnePerTurn(int from, int to) {
    for (int line = from; line <= to; ++line) Append(line, line);
  }

  void ShowWholeLines(int lines) {
    pane.resize(300, lines * pane.fontMetrics().lineSpacing() + 2 * pane.frameWidth());
    QCoreApplication::processEvents();
  }

  QString LastLineInView() const {
    return pane.Line(pane.TopLine() + pane.verticalScrollBar()->pageStep() - 1);
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

TEST_F(PaneBehaviourTest, LinesArrivingOneByOneAreFollowedAcrossTheLimit) {
  AppendOnePerTurn(1, kLimit + 20);
  EXPECT_EQ(LastLineInView(), QString::number(kLimit + 20));

  // A burst that fills a fresh pane past its limit in one turn as well.
  MessagePane fresh(kLimit);
  fresh.resize(pane.size());
  fresh.show();
  for (int line = 1; line <= kLimit + 5; ++line) fresh.AppendLine(QString::number(line));
  QCoreApplication::processEvents();
  const QScrollBar& bar = *fresh.verticalScrollBar();
  EXPECT_EQ(bar.value(), bar.maximum());
  EXPECT_EQ(fresh.Line(fresh.TopLine() + bar.pageStep() - 1), QString::number(kLimit + 5));
}

TEST_F(PaneBehaviourTest, AScrolledBackPaneStaysOnItsLinesAsTheyArriveOneByOne) {
  AppendOnePerTurn(1, kLimit);
  pane.verticalScrollBar()->setValue(20);
  AppendOnePerTurn(kLimit + 1, kLimit + 10);
  EXPECT_EQ(pane.Line(pane.TopLine()), QStringLiteral("21"));
  EXPECT_EQ(pane.Line(0), QStringLiteral("11"));
}

TEST_F(PaneBehaviourTest, ResizingAFollowingPaneKeepsTheNewestLineInView) {
  Append(1, 40);
  ShowWholeLines(6);
  EXPECT_EQ(LastLineInView(), QStringLiteral("40"));
  ShowWholeLines(12);
  EXPECT_EQ(LastLineInView(), QStringLiteral("40"));
}

// At the limit the view keeps its layout while lines pass through it; a click
// on a row and the keys must still land on the line drawn there.
TEST_F(PaneBehaviourTest, AFullPaneStillPicksTheLinesItShows) {
  ShowWholeLines(10);
  AppendOnePerTurn(1, kLimit + 70);
  QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, OnLine(kLimit - 1));
  EXPECT_EQ(pane.SelectedText(), QString::number(kLimit + 70));
  QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, OnLine(pane.TopLine()));
  EXPECT_EQ(pane.SelectedText(), QString::number(kLimit + 61));
  QTest::keyClick(&pane, Qt::Key_End, Qt::ShiftModifier);
  EXPECT_EQ(pane.SelectionEnd(), kLimit - 1);
  EXPECT_EQ(pane.SelectedText().split('\n').size(), 10);
  EXPECT_EQ(pane.indexAt(pane.visualRect(pane.model()->index(kLimit - 1, 0)).center()).row(),
            kLimit - 1);
}

TEST_F(PaneBehaviourTest, AWiderLineAtTheLimitWidensTheScrollRange) {
  AppendOnePerTurn(1, kLimit + 1);
  const QString wide(200, QLatin1Char('W'));
  pane.AppendLine(wide);
  QCoreApplication::processEvents();
  const int contentWidth = pane.fontMetrics().horizontalAdvance(wide) + 2 * 4;
  EXPECT_EQ(pane.horizontalScrollBar()->maximum(), contentWidth - pane.viewport()->width());
}

struct KeyStroke {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};

struct KeyboardCase {
  const char* name;
  std::vector<KeyStroke> keys;
  int firstSelected;  // rows, from 0
  int lastSelected;
};

class PaneKeyboardTest : public PaneBehaviourTest,
                         public ::testing::WithParamInterface<KeyboardCase> {};

// 40 lines, ten rows in view (rows 30-39), the keys pressed from row 33. A
// page is the rows in view less one, which stays in view as context.
TEST_P(PaneKeyboardTest, SelectsWholeLinesAndCopiesThem) {
  ShowWholeLines(10);
  Append(1, 40);
  ASSERT_EQ(pane.TopLine(), 30);
  QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, OnLine(33));
  for (const KeyStroke& stroke : GetParam().keys)
    QTest::keyClick(&pane, stroke.key, stroke.modifiers);

  QStringList expected;
  for (int row = GetParam().firstSelected; row <= GetParam().lastSelected; ++row)
    expected << QString::number(row + 1);
  EXPECT_EQ(pane.SelectionStart(), GetParam().firstSelected);
  EXPECT_EQ(pane.SelectionEnd(), GetParam().lastSelected);
  QTest::keyClick(&pane, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), expected.join('\n'));
  const int current = pane.currentIndex().row();
  EXPECT_TRUE(current >= pane.TopLine() && current < pane.TopLine() + 10) << current;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PaneKeyboardTest,
    ::testing::Values(
        KeyboardCase{"ShiftDownTwice",
                     {{Qt::Key_Down, Qt::ShiftModifier}, {Qt::Key_Down, Qt::ShiftModifier}},
                     33,
                     35},
        KeyboardCase{"ShiftUp", {{Qt::Key_Up, Qt::ShiftModifier}}, 32, 33},
        KeyboardCase{"ShiftDownThenBack",
                     {{Qt::Key_Down, Qt::ShiftModifier}, {Qt::Key_Up, Qt::ShiftModifier}},
                     33,
                     33},
        KeyboardCase{"DownMovesTheSelection", {{Qt::Key_Down}}, 34, 34},
        KeyboardCase{"ShiftEnd", {{Qt::Key_End, Qt::ShiftModifier}}, 33, 39},
        KeyboardCase{"ShiftHome", {{Qt::Key_Home, Qt::ShiftModifier}}, 0, 33},
        KeyboardCase{"Home", {{Qt::Key_Home}}, 0, 0}, KeyboardCase{"End", {{Qt::Key_End}}, 39, 39},
        KeyboardCase{"ShiftPageUp", {{Qt::Key_PageUp, Qt::ShiftModifier}}, 24, 33},
        KeyboardCase{"PageUpTwice", {{Qt::Key_PageUp}, {Qt::Key_PageUp}}, 15, 15},
        KeyboardCase{"PageUpThenShiftPageDown",
                     {{Qt::Key_PageUp}, {Qt::Key_PageDown, Qt::ShiftModifier}},
                     24,
                     33},
        KeyboardCase{
            "ShiftPageDownStopsAtTheLastLine", {{Qt::Key_PageDown, Qt::ShiftModifier}}, 33, 39},
        KeyboardCase{"SelectAll", {{Qt::Key_A, Qt::ControlModifier}}, 0, 39}),
    [](const ::testing::TestParamInfo<KeyboardCase>& info) { return info.param.name; });

TEST_F(PaneBehaviourTest, KeysWithoutACurrentLineStartFromTheLinesInView) {
  ShowWholeLines(10);
  Append(1, 40);
  pane.setCurrentIndex(QModelIndex());
  QTest::keyClick(&pane, Qt::Key_Down);
  EXPECT_EQ(pane.TopLine(), 30);
  EXPECT_EQ(pane.SelectedText(), QStringLiteral("31"));
}

TEST_F(PaneBehaviourTest, TheContextMenuCopiesTheSelectedLinesAndSelectsAll) {
  Append(1, 8);
  QStringList offered;
  const auto choose = [&](const QString& wanted) {
    QTimer::singleShot(0, [&, wanted] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_NE(menu, nullptr);
      offered.clear();
      for (QAction* action : menu->actions()) {
        offered << action->text() + (action->isEnabled() ? "" : " (off)");
        if (action->text() == wanted) action->trigger();
      }
      menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, OnLine(1), pane.mapToGlobal(OnLine(1)));
    QCoreApplication::sendEvent(pane.viewport(), &event);
  };

  choose(QString());
  EXPECT_EQ(offered, (QStringList{QStringLiteral("复制 (off)"), QStringLiteral("全选")}));

  QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, OnLine(2));
  QTest::mouseClick(pane.viewport(), Qt::LeftButton, Qt::ShiftModifier, OnLine(3));
  choose(QStringLiteral("复制"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("3\n4"));

  choose(QStringLiteral("全选"));
  EXPECT_EQ(pane.SelectedText(), QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8"));
}

// What a screen reader reads: the pane is a list whose items are its lines,
// the newest ones once older lines have left it.
TEST_F(PaneBehaviourTest, AScreenReaderReadsTheLines) {
  Append(1, kLimit + 3);
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&pane);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->role(), QAccessible::List);
  QAccessibleTableInterface* rows = list->tableInterface();
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(rows->rowCount(), kLimit);
  EXPECT_EQ(rows->cellAt(2, 0)->text(QAccessible::Name), QStringLiteral("6"));
  EXPECT_EQ(rows->cellAt(kLimit - 1, 0)->text(QAccessible::Name), QString::number(kLimit + 3));

  QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, OnLine(pane.TopLine()));
  QTest::keyClick(&pane, Qt::Key_Down, Qt::ShiftModifier);
  const QList<QAccessibleInterface*> selected = rows->selectedCells();
  ASSERT_EQ(selected.size(), 2);
  EXPECT_EQ(selected[0]->text(QAccessible::Name), pane.Line(pane.TopLine()));
  EXPECT_EQ(selected[1]->text(QAccessible::Name), pane.Line(pane.TopLine() + 1));
}

struct ModelCase {
  int limit;
  int appended;
  int count;
  int first;  // the first line still held, lines numbered from 1
};

class MessagePaneModelTest : public ::testing::TestWithParam<ModelCase> {};

TEST_P(MessagePaneModelTest, KeepsTheNewestLinesAndSignalsEveryChange) {
  const ModelCase& c = GetParam();
  MessagePaneModel model(c.limit);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  int mostRows = 0;
  QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                   [&] { mostRows = std::max(mostRows, model.rowCount()); });
  QObject::connect(&model, &QAbstractItemModel::rowsRemoved,
                   [&] { mostRows = std::max(mostRows, model.rowCount()); });
  for (int line = 1; line <= c.appended; ++line) model.Append(QString::number(line));

  EXPECT_EQ(model.rowCount(), c.count);
  EXPECT_LE(mostRows, std::max(c.limit, 1));
  if (c.count == 0) return;
  EXPECT_EQ(model.index(0).data().toString(), QString::number(c.first));
  EXPECT_EQ(model.index(c.count - 1).data().toString(), QString::number(c.appended));
  EXPECT_FALSE(model.index(0).data(Qt::EditRole).isValid());
}

INSTANTIATE_TEST_SUITE_P(Limits, MessagePaneModelTest,
                         ::testing::Values(ModelCase{5, 0, 0, 0}, ModelCase{5, 3, 3, 1},
                                           ModelCase{5, 5, 5, 1}, ModelCase{5, 6, 5, 2},
                                           ModelCase{5, 23, 5, 19}, ModelCase{1, 4, 1, 4},
                                           ModelCase{0, 2, 1, 2}));

TEST(MessagePaneModelSignals, AFullModelRemovesTheOldestRowBeforeInsertingTheNewOne) {
  MessagePaneModel model(2);
  model.Append(QStringLiteral("a"));
  model.Append(QStringLiteral("b"));
  QStringList order;
  QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved,
                   [&](const QModelIndex&, int first, int last) {
                     order << QStringLiteral("remove %1-%2").arg(first).arg(last);
                   });
  QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                   [&](const QModelIndex&, int first, int last) {
                     order << QStringLiteral("insert %1-%2").arg(first).arg(last);
                   });
  model.Append(QStringLiteral("c"));
  EXPECT_EQ(order, (QStringList{QStringLiteral("remove 0-0"), QStringLiteral("insert 1-1")}));
}

}  // namespace
