#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "CameraCommand.h"
#include "CameraSearcher.h"
#include "FrameSender.h"
#include "PlateChecker.h"

// Runs lanectl on the arguments that follow the program name and returns the
// exit status: 0 done, 1 no answer to `send`, 2 bad input (one "lanectl: "
// line on err, nothing on out). Never ends the process, whatever the
// arguments. Without a sender, `send` is refused as bad input; without a
// checker, `plate` is. `plate` exits 1 when the console would refuse the message.
// `discover` exits 1 when no camera answered; without a searcher it is
// refused as bad input. `camera` exits 1 when the camera could not do what
// was asked; without a runner it is refused as bad input.
int RunLaneCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const lanectl::FrameSender& sender = {},
               const lanectl::PlateChecker& checkPlate = {},
               const lanectl::CameraSearcher& searchCameras = {},
               const lanectl::CameraRunner& askCamera = {});
