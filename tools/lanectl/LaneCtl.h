#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs lanectl on the arguments that follow the program name and returns the
// exit status: 0 done, 2 bad input (one "lanectl: " line on err, nothing on out).
// Never ends the process, whatever the arguments.
int RunLaneCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
