#include "PseudoTerminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace lanesim {
namespace {

QString Failed(const char* call) {
  return QStringLiteral("%1: %2").arg(QLatin1String(call), QString::fromLocal8Bit(strerror(errno)));
}

}  // namespace

std::unique_ptr<PseudoTerminal> PseudoTerminal::Open(QString& error) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) {
    error = Failed("posix_openpt");
    return nullptr;
  }
  const char* name = nullptr;
  if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr) {
    error = Failed("pseudo-terminal set-up");
    close(master);
    return nullptr;
  }
  const QString slavePath = QString::fromLocal8Bit(name);
  const int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios raw{};
  if (slave < 0 || tcgetattr(slave, &raw) != 0) {
    error = Failed("opening the pseudo-terminal's slave");
    if (slave >= 0) close(slave);
    close(master);
    return nullptr;
  }
  cfmakeraw(&raw);
  if (tcsetattr(slave, TCSANOW, &raw) != 0 ||
      fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) != 0) {
    error = Failed("pseudo-terminal set-up");
    close(slave);
    close(master);
    return nullptr;
  }
  return std::unique_ptr<PseudoTerminal>(new PseudoTerminal(master, slave, slavePath));
}

PseudoTerminal::PseudoTerminal(int master, int slave, QString slavePath)
    : master_(master), slave_(slave), slavePath_(std::move(slavePath)) {}

PseudoTerminal::~PseudoTerminal() {
  close(slave_);
  close(master_);
}

QByteArray PseudoTerminal::ReadAvailable() {
  QByteArray bytes;
  char buffer[4096];
  for (;;) {
    const ssize_t count = read(master_, buffer, sizeof buffer);
    if (count > 0) {
      bytes.append(buffer, count);
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else {
      return bytes;
    }
  }
}

qsizetype PseudoTerminal::Write(const QByteArray& bytes) {
  qsizetype written = 0;
  while (written < bytes.size()) {
    const ssize_t count =
        write(master_, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
    if (count > 0) {
      written += count;
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  return written;
}

}  // namespace lanesim
