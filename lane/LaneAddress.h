#pragma once

#include <QString>

namespace virtual_lane {

// Four decimal parts 0–255 joined by dots, nothing else: no blanks, no signs,
// no leading zeros (so one lane has exactly one spelling).
bool IsDottedIpv4(const QString& address);

}  // namespace virtual_lane
