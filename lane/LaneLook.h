#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace virtual_lane {

enum class VoiceKind { None, Speech, Clips };

struct VoiceState {
  VoiceKind kind = VoiceKind::None;
  int box = 0;  // voice-box number, or the controller's voice byte
  QString text;
  std::vector<std::uint8_t> codes;
};

// A still of the lane for one picture: copied cheaply (implicitly shared
// strings) so the painter never reaches into the lane.
struct LaneLook {
  QString address;
  double barrierOpening = 0;  // 0 arm down … 1 arm up
  double carProgress = -1;    // < 0 no car; 0…1 approaching the stop line; 1…2 driving away
  QString plateNumber;
  std::array<QString, 2> twoLine;
  std::array<QString, 4> fourLine;
  int digitNumber = 0;
  QString digitText;
  QString voiceSays;
  bool cardRead = false;
  std::uint64_t lastCard = 0;
  double faultFlash = 0;  // 1 right after a failed check, fading to 0
  int revision = 0;       // changes whenever a device shows something new
};

}  // namespace virtual_lane
