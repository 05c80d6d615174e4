#pragma once

#include <QString>
#include <chrono>

namespace lanesim::onvif {

inline constexpr char kRelayToken[] = "RelayOutput1";

// The camera's one relay output, wired to the lane's barrier: active lifts the arm.
struct RelaySettings {
  bool monostable = true;
  std::chrono::milliseconds delay{1000};
  bool idleClosed = false;  // IdleState "closed" rather than "open"
};

struct RelayCommand {
  bool active = false;
  RelaySettings settings;
};

}  // namespace lanesim::onvif
