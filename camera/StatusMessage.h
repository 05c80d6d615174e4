#pragma once

#include <string>

#include "CameraTypes.h"

namespace camera {

// The reason of a failure status as a person reads it: "not connected (0x80040201)".
std::string StatusMessage(const Status& status);

}  // namespace camera
