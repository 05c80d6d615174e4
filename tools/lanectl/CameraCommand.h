#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace lanectl {

// `lanectl camera URL ACTION`: one ONVIF camera asked one thing.
struct CameraRequest {
  std::string url;     // onvif://[USER[:PASSWORD]@]HOST[:PORT][/PATH]
  std::string action;  // info, snapshot, gate or time-sync
  std::string file;    // snapshot: where the picture goes
  std::string profile;
  std::string relay;
  int gatePulseMs = 1000;
};

// Exit status: 0 done, 1 the camera could not do it (the reason on err),
// 2 bad input. Cameras live outside lanectl's parsing, which stays free of I/O.
using CameraRunner =
    std::function<int(const CameraRequest& request, std::ostream& out, std::ostream& err)>;

}  // namespace lanectl
