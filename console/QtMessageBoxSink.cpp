#include "QtMessageBoxSink.h"

#include <QApplication>
#include <QMessageBox>

void QtMessageBoxSink::ShowModal(const QString& text) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(QApplication::applicationDisplayName());
  box.setTextFormat(Qt::PlainText);
  box.setText(text);
  box.exec();
}
