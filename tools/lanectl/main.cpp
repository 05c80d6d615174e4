#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "LaneCtl.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  // --raw frames go to a serial device byte for byte.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  return RunLaneCtl(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
