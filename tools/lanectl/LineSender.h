#pragma once

#include "FrameSender.h"

namespace lanectl {

// Sends on a real tty or serial device server: opens the line, writes the
// frame, and collects what comes back until a whole controller frame is in
// or the wait is over. Needs a QCoreApplication.
SendOutcome SendOnLine(const SendRequest& request);

}  // namespace lanectl
