#pragma once

#include <QSocketNotifier>
#include <memory>

#include "LineEnd.h"
#include "PseudoTerminal.h"
#include "SymbolicLink.h"

namespace lanesim {

// The lane's serial line on a pseudo-terminal, reachable as `link`: another
// program opens the link as its serial port.
class PtyLine : public LineEnd {
  Q_OBJECT

 public:
  static std::unique_ptr<PtyLine> Open(const QString& link, QString& error);

  const QString& SlavePath() const { return pty_->SlavePath(); }
  // A full pseudo-terminal means nobody has read for kilobytes: like a line
  // nobody listens to, it loses what does not fit.
  void Send(const QByteArray& bytes) override;

 private:
  PtyLine(std::unique_ptr<PseudoTerminal> pty, std::unique_ptr<SymbolicLink> link);

  std::unique_ptr<PseudoTerminal> pty_;
  std::unique_ptr<SymbolicLink> link_;
  QSocketNotifier readable_;
};

}  // namespace lanesim
