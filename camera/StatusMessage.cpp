#include "StatusMessage.h"

#include <cstdio>

namespace camera {

std::string StatusMessage(const Status& status) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(status.code));
  const std::string reason =
      status.reason.empty() ? "the component reported a failure" : status.reason;
  return reason + " (" + code + ")";
}

}  // namespace camera
