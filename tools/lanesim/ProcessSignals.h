#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <memory>

namespace lanesim {

// Turns SIGINT and SIGTERM into Termination and SIGUSR1 into CarRequested, so
// that the program acts on them in its event loop: it ends with its
// destructors run, and a car is recognised on the lane's own thread. One at a
// time per process; the system calls live in ProcessSignalsPosix.cpp alone.
class ProcessSignals : public QObject {
  Q_OBJECT

 public:
  explicit ProcessSignals(QObject* parent = nullptr);
  ~ProcessSignals() override;

 signals:
  void Termination(const QString& name);
  void CarRequested();

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace lanesim
