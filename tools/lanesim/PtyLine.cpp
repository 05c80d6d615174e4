#include "PtyLine.h"

#include <QFile>

namespace lanesim {

std::unique_ptr<PtyLine> PtyLine::Open(const QString& link, QString& error) {
  auto pty = PseudoTerminal::Open(error);
  if (!pty) return nullptr;
  auto symbolicLink = SymbolicLink::Make(QFile::encodeName(link).toStdString(),
                                         QFile::encodeName(pty->SlavePath()).toStdString(), error);
  if (!symbolicLink) return nullptr;
  return std::unique_ptr<PtyLine>(new PtyLine(std::move(pty), std::move(symbolicLink)));
}

PtyLine::PtyLine(std::unique_ptr<PseudoTerminal> pty, std::unique_ptr<SymbolicLink> link)
    : pty_(std::move(pty)),
      link_(std::move(link)),
      readable_(pty_->MasterHandle(), QSocketNotifier::Read) {
  connect(&readable_, &QSocketNotifier::activated, this, [this] {
    const QByteArray bytes = pty_->ReadAvailable();
    if (!bytes.isEmpty()) emit Received(bytes);
  });
}

void PtyLine::Send(const QByteArray& bytes) {
  pty_->Write(bytes);
}

}  // namespace lanesim
