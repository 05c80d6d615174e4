#include "ThreadPriority.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#elif defined(_WIN32)
#include <windows.h>
#endif

namespace field {
namespace {

// Low enough that the GUI thread wins every contest, not so low that a
// busy laptop starves the receiver of the time to answer 503.
[[maybe_unused]] constexpr int kBackgroundNice = 10;

}  // namespace

void YieldProcessorToWindow() {
#if defined(__linux__)
  // Linux keeps a nice value per thread; a failure only leaves the default.
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kBackgroundNice);
#elif defined(_WIN32)
  ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#endif
}

}  // namespace field
