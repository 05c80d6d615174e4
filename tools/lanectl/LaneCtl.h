#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "FrameSender.h"

// Runs lanectl on the arguments that follow the program name and returns the
// exit status: 0 done, 1 no answer to `send`, 2 bad input (one "lanectl: "
// line on err, nothing on out). Never ends the process, whatever the
// arguments. Without a sender, `send` is refused as bad input.
int RunLaneCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const lanectl::FrameSender& sender = {});
