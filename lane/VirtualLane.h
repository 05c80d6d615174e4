#pragma once

// The virtual lane: the embedded stand-in for the camera, its video and the
// lane's devices.
#include "Lane.h"
#include "LaneTimings.h"
#include "VirtualCamera.h"
#include "VirtualLaneWorld.h"
#include "VirtualVideo.h"
