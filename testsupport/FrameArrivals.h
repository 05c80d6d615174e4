#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QSize>
#include <mutex>
#include <utility>
#include <vector>

// When frames reached a video sink, by the steady clock; recorded from the
// streaming thread, read on the test's.
class FrameArrivals {
 public:
  FrameArrivals() { clock_.start(); }

  // Hand this to a sink's frame observer.
  void Record(const QImage& frame);
  bool WaitFor(std::size_t count, int timeoutMs = 15000);
  qint64 Now() const { return clock_.elapsed(); }
  QSize LastSize();
  // How many came within [from, to] ms, and the longest wait for one.
  std::pair<int, qint64> Between(qint64 from, qint64 to);

 private:
  QElapsedTimer clock_;
  std::mutex mutex_;
  std::vector<qint64> arrivals_;
  QSize lastSize_;
};

// What this process holds, for leak tests.
struct ProcessResources {
  // AddressSanitizer keeps freed memory in quarantine: resident memory says
  // nothing about leaks there, and it finds them itself.
#if defined(__SANITIZE_ADDRESS__)
  static constexpr bool kMemoryTells = false;
#else
  static constexpr bool kMemoryTells = true;
#endif

  int threads;
  int descriptors;
  long residentKilobytes;  // live memory: the allocator's caches given back first

  static ProcessResources Now();
};
