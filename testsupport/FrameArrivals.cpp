#include "FrameArrivals.h"

#include <malloc.h>

#include <QDir>
#include <QFile>
#include <QTest>
#include <algorithm>

namespace {

int CountEntries(const char* folder) {
  return static_cast<int>(QDir(QString::fromLatin1(folder))
                              .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                              .size());
}

}  // namespace

void FrameArrivals::Record(const QImage& frame) {
  const std::lock_guard lock(mutex_);
  arrivals_.push_back(clock_.elapsed());
  lastSize_ = frame.size();
}

bool FrameArrivals::WaitFor(std::size_t count, int timeoutMs) {
  return QTest::qWaitFor(
      [&] {
        const std::lock_guard lock(mutex_);
        return arrivals_.size() >= count;
      },
      timeoutMs);
}

QSize FrameArrivals::LastSize() {
  const std::lock_guard lock(mutex_);
  return lastSize_;
}

std::pair<int, qint64> FrameArrivals::Between(qint64 from, qint64 to) {
  const std::lock_guard lock(mutex_);
  int count = 0;
  qint64 previous = from;
  qint64 longest = 0;
  for (const qint64 at : arrivals_) {
    if (at < from || at > to) continue;
    ++count;
    longest = std::max(longest, at - previous);
    previous = at;
  }
  return {count, std::max(longest, to - previous)};
}

ProcessResources ProcessResources::Now() {
  malloc_trim(0);
  QFile statm(QStringLiteral("/proc/self/statm"));
  const long pages =
      statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ').value(1).toLong() : 0;
  return {CountEntries("/proc/self/task"), CountEntries("/proc/self/fd"), pages * 4};
}
