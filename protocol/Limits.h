#pragma once

#include <cstddef>

namespace protocol {

// Largest inputs the frames are specified for (the work areas they were
// defined with). Builders do not check them; callers refuse bigger input
// before building.

// Controller voice commands (A7): input work area, and the speech text that
// still lets the frame fit its 512-byte assembly area.
inline constexpr std::size_t kMaxVoiceInputBytes = 512;
inline constexpr std::size_t kMaxVoiceTextBytes = 491;
// Controller display commands (A6) are assembled in a 1024-byte area.
inline constexpr std::size_t kMaxCountDisplayTextBytes = 1007;
inline constexpr std::size_t kMaxThreeLineTextBytes = 1001;

// Simple-lane voice box.
inline constexpr std::size_t kMaxBoxVoiceInputBytes = 512;
inline constexpr std::size_t kMaxBoxSpeechTextBytes = 502;
// Simple-lane screen records are assembled in a 1024-byte area.
inline constexpr std::size_t kMaxOneRecordTextBytes = 1021;
inline constexpr std::size_t kMaxTwoRecordsTextBytes = 1018;
inline constexpr std::size_t kMaxFourRecordsTextBytes = 1012;

// Voice clip frames always carry exactly this many code bytes.
inline constexpr std::size_t kVoiceCodeCount = 9;

}  // namespace protocol
