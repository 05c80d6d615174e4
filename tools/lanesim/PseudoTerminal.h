#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>

namespace lanesim {

// A pseudo-terminal pair with its slave side in raw mode. The slave stays
// open here for the object's life, so that the master never reads end of
// file just because the far side closed the slave to open it again. The
// system calls live in PseudoTerminalPosix.cpp alone.
class PseudoTerminal {
 public:
  static std::unique_ptr<PseudoTerminal> Open(QString& error);
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  const QString& SlavePath() const { return slavePath_; }
  // For a QSocketNotifier watching the master.
  qintptr MasterHandle() const { return master_; }
  // What the far side wrote, without waiting.
  QByteArray ReadAvailable();
  // How many of `bytes` the pseudo-terminal took: none when it is full.
  qsizetype Write(const QByteArray& bytes);

 private:
  PseudoTerminal(int master, int slave, QString slavePath);

  int master_;
  int slave_;
  QString slavePath_;
};

}  // namespace lanesim
