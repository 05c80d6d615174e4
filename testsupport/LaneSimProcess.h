#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

namespace lanesim::testing {

// Generous: the machine is shared and a start may wait for a busy core.
constexpr int kPatienceMs = 20000;

// The real lanesim program, its stdout read line by line.
class LaneSimProcess {
 public:
  explicit LaneSimProcess(const QStringList& arguments);
  ~LaneSimProcess();

  // Waits for the first line, the one saying where the lane is reachable.
  bool Started() { return WaitForLineStarting(QString()); }
  const QStringList& Lines();
  bool WaitForLineStarting(const QString& start);
  QProcess& Process() { return process_; }

 private:
  QProcess process_;
  QByteArray partial_;
  QStringList lines_;
};

// The far side of a pseudo-terminal, opened raw as a serial port.
class RawTty {
 public:
  explicit RawTty(const QString& path);
  ~RawTty();
  RawTty(const RawTty&) = delete;
  RawTty& operator=(const RawTty&) = delete;

  bool Write(const QByteArray& bytes);
  // `count` bytes, or fewer when patience runs out; with a clock, when the
  // first and the last of them came.
  QByteArray Read(qsizetype count, const QElapsedTimer* clock = nullptr, qint64* first = nullptr,
                  qint64* last = nullptr);

 private:
  int fd_ = -1;
};

}  // namespace lanesim::testing
