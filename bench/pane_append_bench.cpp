// Appending one line to a message pane that already holds 100,000 lines, and
// letting the event loop lay it out and paint it, against QPlainTextEdit
// with a block limit of 100,000.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStringList>
#include <cstdio>

#include "ConsoleFace.h"
#include "MessagePane.h"
#include "RatioReporter.h"

namespace {

constexpr int kLines = 100000;
// The pane as the console's window first shows it.
const QSize kPaneSize(749, 228);

QString Line(long number) {
  return QStringLiteral("接收 127.0.0.1: 55 D5 44 00 00 00 01 00 1A 3C 5E A2 %1 ").arg(number);
}

void ShowLikeTheConsole(QAbstractScrollArea& pane) {
  pane.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  pane.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  pane.resize(kPaneSize);
  pane.show();
}

void Ours(benchmark::State& state, MessagePane* pane, long* appended) {
  for (auto _ : state) {
    pane->AppendLine(Line(++*appended));
    QCoreApplication::processEvents();
  }
}

void PlainText(benchmark::State& state, QPlainTextEdit* edit, long* appended) {
  for (auto _ : state) {
    edit->appendPlainText(Line(++*appended));
    QCoreApplication::processEvents();
  }
}

bool ShowsTheNewestLineAtTheBottom(const QAbstractScrollArea& pane) {
  return pane.verticalScrollBar()->value() == pane.verticalScrollBar()->maximum();
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  UseConsoleFace();

  long appended = 0;
  MessagePane full(kLines);
  // Below its limit the pane still lays out every row once per turn.
  MessagePane filling(10 * kLines);
  QStringList lines;
  for (int line = 0; line < kLines; ++line) lines << Line(++appended);
  for (const QString& line : lines) {
    full.AppendLine(line);
    filling.AppendLine(line);
  }
  QPlainTextEdit edit;
  edit.setReadOnly(true);
  edit.setLineWrapMode(QPlainTextEdit::NoWrap);
  edit.setMaximumBlockCount(kLines);
  edit.setPlainText(lines.join(QLatin1Char('\n')));
  for (QAbstractScrollArea* pane :
       {static_cast<QAbstractScrollArea*>(&full), static_cast<QAbstractScrollArea*>(&filling),
        static_cast<QAbstractScrollArea*>(&edit)})
    ShowLikeTheConsole(*pane);
  edit.verticalScrollBar()->setValue(edit.verticalScrollBar()->maximum());
  QCoreApplication::processEvents();

  benchmark::RegisterBenchmark("pane-append/ours", Ours, &full, &appended)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("pane-append/qt", PlainText, &edit, &appended)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("pane-append-below-limit/ours", Ours, &filling, &appended)
      ->Unit(benchmark::kMicrosecond);

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  // Both sides must have kept their limit and followed the new lines.
  if (full.LineCount() != kLines || edit.blockCount() != kLines ||
      !ShowsTheNewestLineAtTheBottom(full) || !ShowsTheNewestLineAtTheBottom(edit)) {
    std::fprintf(stderr, "pane_append_bench: a pane lost its limit or the bottom (%d, %d lines)\n",
                 full.LineCount(), edit.blockCount());
    return 1;
  }
  std::printf("below its limit the pane holds %d lines\n", filling.LineCount());
  const double qt = reporter.Nanoseconds("pane-append/qt");
  if (qt > 0)
    std::printf("ratio pane-append %.3f\n", reporter.Nanoseconds("pane-append/ours") / qt);
  return 0;
}
