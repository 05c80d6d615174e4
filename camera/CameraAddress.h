#pragma once

#include <QString>

namespace camera {

// Four decimal parts 0–255 joined by dots, nothing else: no blanks, no signs,
// no leading zeros (so one camera has exactly one spelling).
bool IsDottedIpv4(const QString& address);

}  // namespace camera
