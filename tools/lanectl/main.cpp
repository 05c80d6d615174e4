#include <QCoreApplication>
#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "CameraTool.h"
#include "LaneCtl.h"
#include "LineSender.h"
#include "NetworkSearch.h"
#include "PlateCheck.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  // --raw frames go to a serial device byte for byte.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  // `send`, `discover` and `camera` run the event loop; everything else never touches it.
  QCoreApplication application(argc, argv);
  return RunLaneCtl(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr,
                    lanectl::SendOnLine, lanectl::CheckPlate, lanectl::SearchNetwork,
                    lanectl::AskCamera);
}
