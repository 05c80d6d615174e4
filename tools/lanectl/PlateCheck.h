#pragma once

#include "PlateChecker.h"

namespace lanectl {

PlateCheckOutcome CheckPlate(const PlateCheckRequest& request);

}  // namespace lanectl
