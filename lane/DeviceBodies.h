#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "SerialDecoder.h"

namespace virtual_lane {

enum class SpeechVerdict { Ok, BadLength, BadMarker, BadCheck };

struct SpeechText {
  SpeechVerdict verdict = SpeechVerdict::Ok;
  ByteView text;
};

// FD LL LL 01 01 text xor, the whole block and nothing after it.
SpeechText ReadSpeechBlock(ByteView block);

// Body of the controller's display command after the A6: either line records
// numbered 1–4 (the three-line display), or one record for the digit screen,
// whose text then runs to the body's last byte, 0D included inside it.
struct DisplayBody {
  bool lines = false;
  std::vector<ScreenRecord> records;
};
std::optional<DisplayBody> ReadDisplayBody(ByteView body);

}  // namespace virtual_lane
