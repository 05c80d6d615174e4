#include "ProcessSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace lanesim {
namespace {

constexpr std::array kWatched = {SIGINT, SIGTERM, SIGUSR1};

// The self-pipe: a handler may only write(), the event loop reads.
int pipeEnds[2] = {-1, -1};

void Caught(int signal) {
  const auto number = static_cast<unsigned char>(signal);
  const int saved = errno;
  [[maybe_unused]] const ssize_t written = write(pipeEnds[1], &number, 1);
  errno = saved;
}

void Handle(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kWatched) sigaction(signal, &action, nullptr);
}

}  // namespace

ProcessSignals::ProcessSignals(QObject* parent) : QObject(parent) {
  if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) qFatal("lanesim: pipe2: %s", strerror(errno));
  notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    unsigned char number = 0;
    while (read(pipeEnds[0], &number, 1) == 1) {
      if (number == SIGUSR1) {
        emit CarRequested();
      } else {
        emit Termination(QString::fromLatin1(number == SIGINT ? "SIGINT" : "SIGTERM"));
      }
    }
  });
  Handle(Caught);
}

ProcessSignals::~ProcessSignals() {
  Handle(SIG_DFL);
  notifier_.reset();
  close(pipeEnds[0]);
  close(pipeEnds[1]);
  pipeEnds[0] = pipeEnds[1] = -1;
}

}  // namespace lanesim
