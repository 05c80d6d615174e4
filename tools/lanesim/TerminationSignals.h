#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <memory>

namespace lanesim {

// Turns SIGINT and SIGTERM into a Qt signal, so that the program ends through
// its event loop and its destructors run. One at a time per process; the
// system calls live in TerminationSignalsPosix.cpp alone.
class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

 signals:
  void Received(const QString& name);

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace lanesim
