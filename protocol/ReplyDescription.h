#pragma once

#include <optional>
#include <string>

#include "ReplyAssembler.h"

namespace protocol {

// The pane's line for a frame the controller sent: the card number or value
// of a reply that checks out, a warning for a reply that does not (a noisy
// line must never show a wrong card number as if it were good), nothing for
// any other frame.
std::optional<std::string> DescribeReceivedFrame(const ReceivedFrame& frame);

}  // namespace protocol
