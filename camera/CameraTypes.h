#pragma once

#include <cstdint>
#include <string>

namespace camera {

// What the SDK's Connect returns; 0 means not connected.
using CameraHandle = std::int32_t;

// The status a component operation reports, COM style: negative is failure.
struct Status {
  std::int32_t code = 0;
  std::string reason;

  bool Failed() const { return code < 0; }
  static Status Ok() { return {}; }
  static Status Failure(std::int32_t failureCode, std::string why) {
    return {failureCode, std::move(why)};
  }
};

// Failure codes the backends report.
inline constexpr std::int32_t kStatusFailed = -2147467259;        // generic failure
inline constexpr std::int32_t kStatusNotConnected = -2147220991;  // handle not open
inline constexpr std::int32_t kStatusInvalidArgument = -2147024809;

}  // namespace camera
