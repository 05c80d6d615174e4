#include "PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

PseudoTerminal::PseudoTerminal(const QString& folder)
    : link_(QDir(folder).filePath(QStringLiteral("lane-tty"))) {
  Plug();
}

PseudoTerminal::~PseudoTerminal() {
  Unplug();
  QFile::remove(link_);
}

void PseudoTerminal::Plug() {
  Unplug();
  int terminal = -1;
  char name[128] = {};
  termios raw{};
  cfmakeraw(&raw);
  if (openpty(&device_, &terminal, name, &raw, nullptr) != 0) return;
  // Only the console holds the terminal side, so closing the device's side
  // is seen by the console as an adapter pulled out.
  ::close(terminal);
  QFile::remove(link_);
  QFile::link(QString::fromLocal8Bit(name), link_);
}

void PseudoTerminal::Unplug() {
  if (device_ >= 0) ::close(device_);
  device_ = -1;
}

void PseudoTerminal::Write(const QByteArray& bytes) {
  qsizetype written = 0;
  while (written < bytes.size()) {
    const ssize_t count =
        ::write(device_, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
    if (count <= 0) return;
    written += count;
  }
}

QByteArray PseudoTerminal::Read(qsizetype count, int timeoutMs) {
  QByteArray bytes;
  QElapsedTimer clock;
  clock.start();
  while (bytes.size() < count && clock.elapsed() < timeoutMs) {
    pollfd ready{device_, POLLIN, 0};
    if (::poll(&ready, 1, 20) <= 0 || !(ready.revents & POLLIN)) continue;
    char chunk[4096];
    const ssize_t got = ::read(device_, chunk, sizeof chunk);
    if (got > 0) bytes.append(chunk, got);
  }
  return bytes;
}
