#include <QCoreApplication>
#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "LaneCtl.h"
#include "LineSender.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  // --raw frames go to a serial device byte for byte.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  // `send` runs the line's event loop; everything else never touches it.
  QCoreApplication application(argc, argv);
  return RunLaneCtl(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr,
                    lanectl::SendOnLine);
}
