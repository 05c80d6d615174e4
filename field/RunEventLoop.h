#pragma once

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

// Runs the event loop the way the console's own exec() does until `done` holds
// or the time is up, for programs and benchmarks that wait on a line or a
// window. QTest::qWaitFor sleeps 10 ms between passes, which a benchmark would
// measure as its own latency.
inline bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs) {
  if (done()) return true;
  QEventLoop loop;
  const QDeadlineTimer deadline(timeoutMs);
  QTimer check;
  check.setTimerType(Qt::PreciseTimer);
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (done() || deadline.hasExpired()) loop.quit();
  });
  check.start(1);
  loop.exec();
  return done();
}

// Precise: a coarse timer may end a 10 s window half a second late.
inline void RunEventLoopFor(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}
