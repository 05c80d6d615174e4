#include "LaneSimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>
#include <algorithm>

namespace lanesim::testing {

LaneSimProcess::LaneSimProcess(const QStringList& arguments) {
  process_.start(QStringLiteral(LANESIM_BINARY), arguments);
}

LaneSimProcess::~LaneSimProcess() {
  process_.kill();
  process_.waitForFinished(kPatienceMs);
}

const QStringList& LaneSimProcess::Lines() {
  partial_ += process_.readAllStandardOutput();
  for (qsizetype end = partial_.indexOf('\n'); end >= 0; end = partial_.indexOf('\n')) {
    lines_ << QString::fromUtf8(partial_.left(end));
    partial_.remove(0, end + 1);
  }
  return lines_;
}

bool LaneSimProcess::WaitForLineStarting(const QString& start) {
  const QDeadlineTimer deadline(kPatienceMs);
  for (;;) {
    const QStringList& lines = Lines();
    if (std::any_of(lines.begin(), lines.end(),
                    [&](const QString& l) { return l.startsWith(start); }))
      return true;
    if (deadline.hasExpired() || process_.state() == QProcess::NotRunning) return false;
    process_.waitForReadyRead(100);
  }
}

RawTty::RawTty(const QString& path)
    : fd_(open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
  termios raw{};
  if (fd_ < 0 || tcgetattr(fd_, &raw) != 0) return;
  cfmakeraw(&raw);
  tcsetattr(fd_, TCSANOW, &raw);
}

RawTty::~RawTty() {
  if (fd_ >= 0) close(fd_);
}

bool RawTty::Write(const QByteArray& bytes) {
  return write(fd_, bytes.constData(), bytes.size()) == bytes.size();
}

QByteArray RawTty::Read(qsizetype count, const QElapsedTimer* clock, qint64* first, qint64* last) {
  QByteArray bytes;
  const QDeadlineTimer deadline(kPatienceMs);
  while (bytes.size() < count && !deadline.hasExpired()) {
    pollfd readable{fd_, POLLIN, 0};
    if (poll(&readable, 1, 100) <= 0) continue;
    char buffer[64];
    const ssize_t got = read(fd_, buffer, std::min<qsizetype>(sizeof buffer, count - bytes.size()));
    if (got <= 0) continue;
    if (clock && bytes.isEmpty()) *first = clock->nsecsElapsed();
    if (clock) *last = clock->nsecsElapsed();
    bytes.append(buffer, got);
  }
  return bytes;
}

}  // namespace lanesim::testing
