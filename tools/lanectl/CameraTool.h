#pragma once

#include "CameraCommand.h"

namespace lanectl {

// Asks the camera on the network, running the event loop until it has answered;
// the password from LANECONSOLE_CAMERA_PASSWORD when the URL has none.
int AskCamera(const CameraRequest& request, std::ostream& out, std::ostream& err);

}  // namespace lanectl
