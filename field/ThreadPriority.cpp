#include "ThreadPriority.h"

#include <algorithm>

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#elif defined(_WIN32)
#include <windows.h>
#endif

namespace field {
namespace {

// Below the GUI thread by enough that it wins every contest, not so far that
// a busy laptop starves the receiver of the time to answer 503.
[[maybe_unused]] constexpr int kNiceBelowWindow = 10;
[[maybe_unused]] constexpr int kNicest = 19;

}  // namespace

void YieldProcessorToWindow() {
#if defined(__linux__)
  // Linux keeps a nice value per thread. Measured from the GUI thread's (the
  // process id names it), so a second call changes nothing and a console
  // started with nice keeps its order. A failure only leaves things as they are.
  const int window = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid()));
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()),
                std::min(window + kNiceBelowWindow, kNicest));
#elif defined(_WIN32)
  ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#endif
}

}  // namespace field
