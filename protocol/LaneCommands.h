#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "ByteFrame.h"

namespace protocol {

// Every frame the lane's devices take.
enum class FrameKind {
  GateOpen,
  GateClose,
  ReadCard,
  CountDisplay,
  ThreeLineDisplay,
  VoiceCodes,
  VoiceText,
  OneLineRecord,
  TwoLineRecords,
  FourLineRecords,
  BoxVoiceCodes,
  BoxVoiceText,
  SpeechBlock,
};

// The most bytes a frame's input (its texts together, or its clip codes) may
// hold: the work areas the devices were specified with. Frames without
// input have no limit.
std::optional<std::size_t> InputLimit(FrameKind kind);

inline constexpr std::size_t kAllInputs = static_cast<std::size_t>(-1);

struct InputTooLarge {
  std::size_t input;  // index into the sizes checked, or kAllInputs for their sum
  std::size_t bytes;
  std::size_t limit;
};

// Each input, then all of them together, against the frame's limit.
std::optional<InputTooLarge> CheckInputSizes(FrameKind kind,
                                             std::span<const std::size_t> inputBytes);

// The console's send buffer: a frame longer than this is never sent.
inline constexpr std::size_t kSendBufferBytes = 512;

enum class LaneType { Simple, Standard };
enum class VoiceType { Speech, Clips };

enum class PanelCommand {
  TwoLineScreen,
  FourLineScreen,
  DigitScreen,
  Voice1,
  Voice2,
  OpenGate,
  CloseGate,
  ReadCard,
};

// What the operator chose on the command panel, texts as typed (UTF-8).
struct PanelSelections {
  LaneType lane = LaneType::Standard;
  VoiceType voice = VoiceType::Speech;
  std::string controller;
  std::string screen;
  std::string voiceNumber;
  std::string spaceCount;
};

struct PanelAction {
  enum class Kind {
    SendFrame,
    CameraOpensGate,  // the simple lane's gate hangs on the camera itself
    Refuse,           // nothing goes out; `notice` says why
  };
  Kind kind = Kind::Refuse;
  ByteFrame frame;
  std::string notice;
};

// The exact frame a command sends for these selections, or why it sends none.
PanelAction PlanPanelCommand(PanelCommand command, const PanelSelections& selections);

// The hidden test sequence: three standard-lane frames for controller 1.
std::array<ByteFrame, 3> TestSequenceFrames();

}  // namespace protocol
