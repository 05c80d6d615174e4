#include "LaneCommands.h"

#include <vector>

#include "CommandTexts.h"
#include "Controller.h"
#include "Gbk.h"
#include "Limits.h"
#include "ScreenRecords.h"
#include "SelectorValue.h"
#include "VoiceBox.h"

namespace protocol {

namespace {

using namespace command_texts;

constexpr int kDefaultController = 1;
constexpr int kDefaultSimpleScreen = 254;
constexpr int kDefaultStandardScreen = 250;
constexpr int kDefaultSimpleVoice = 98;
constexpr int kDefaultStandardVoice = 1;
constexpr std::int32_t kGateOpenArgument = 5;
constexpr std::uint16_t kReadCardArgument = 100;
constexpr int kTestController = 1;
constexpr const char* kSpaceCountField = "edtSpaceCount";

// The only text the operator types is the space count, and the send buffer
// refuses it long before a device's work area would: whatever the panel
// sends, lanectl accepts too.
static_assert(kSendBufferBytes - 3 < kMaxOneRecordTextBytes);
static_assert(kSendBufferBytes - 17 < kMaxCountDisplayTextBytes);

PanelAction Refuse(std::string notice) {
  return {PanelAction::Kind::Refuse, {}, std::move(notice)};
}

PanelAction Send(ByteFrame frame, const char* field = nullptr) {
  if (frame.size() > kSendBufferBytes) {
    std::string notice = "未发送: 帧长 " + std::to_string(frame.size()) + " 字节, 超出 " +
                         std::to_string(kSendBufferBytes) + " 字节的发送缓冲区";
    if (field != nullptr) notice += std::string(", 请缩短 ") + field;
    return Refuse(std::move(notice));
  }
  return {PanelAction::Kind::SendFrame, std::move(frame), {}};
}

std::vector<std::uint8_t> Gbk(const char* text) {
  return EncodeGbk(text);
}

int Controller(const PanelSelections& s) {
  return SelectorValue(s.controller, kDefaultController);
}

int Screen(const PanelSelections& s) {
  return SelectorValue(
      s.screen, s.lane == LaneType::Standard ? kDefaultStandardScreen : kDefaultSimpleScreen);
}

int Voice(const PanelSelections& s) {
  return SelectorValue(s.voiceNumber,
                       s.lane == LaneType::Standard ? kDefaultStandardVoice : kDefaultSimpleVoice);
}

PanelAction TwoLineScreen(const PanelSelections& s) {
  if (s.lane == LaneType::Standard) {
    return Send(BuildThreeLineDisplayFrame(Controller(s), Gbk(kStandardTwoLine1),
                                           Gbk(kStandardTwoLine2), Gbk(kStandardTwoLine3)));
  }
  return Send(BuildTwoLineRecords(1, Gbk(kSimpleTwoLine1), 2, Gbk(kSimpleTwoLine2)));
}

// The controller has no four-line command: a standard lane shows the
// four-line texts on its three-line display.
PanelAction FourLineScreen(const PanelSelections& s) {
  if (s.lane == LaneType::Standard) {
    return Send(BuildThreeLineDisplayFrame(Controller(s), Gbk(kStandardFourLine1),
                                           Gbk(kStandardFourLine2), Gbk(kStandardFourLine3)));
  }
  return Send(BuildFourLineRecords(1, Gbk(kSimpleFourLine[0]), 2, Gbk(kSimpleFourLine[1]), 3,
                                   Gbk(kSimpleFourLine[2]), 4, Gbk(kSimpleFourLine[3])));
}

PanelAction DigitScreen(const PanelSelections& s) {
  std::vector<std::uint8_t> spaceCount;
  try {
    spaceCount = EncodeGbk(s.spaceCount);
  } catch (const TextEncodingError& error) {
    return Refuse(std::string("未发送: ") + kSpaceCountField + " 的内容无法用 GBK 编码 (" +
                  error.what() + ")");
  }
  return Send(s.lane == LaneType::Standard
                  ? BuildCountDisplayFrame(Controller(s), Screen(s), spaceCount)
                  : BuildOneLineRecord(Screen(s), spaceCount),
              kSpaceCountField);
}

// The clip lists are nine codes long, and the builders pad a shorter list
// with zeros as the devices' zeroed work areas did.
PanelAction Voice(const PanelSelections& s, const char* simpleText, const char* standardText) {
  const bool standard = s.lane == LaneType::Standard;
  if (s.voice == VoiceType::Speech) {
    const auto text = Gbk(standard ? standardText : simpleText);
    return Send(standard ? BuildVoiceTextFrame(Controller(s), Voice(s), text)
                         : BuildBoxVoiceTextFrame(Voice(s), text));
  }
  return Send(standard ? BuildVoiceCodesFrame(Controller(s), kStandardClipCodes)
                       : BuildBoxVoiceCodesFrame(Voice(s), kSimpleClipCodes));
}

}  // namespace

std::optional<std::size_t> InputLimit(FrameKind kind) {
  switch (kind) {
    case FrameKind::GateOpen:
    case FrameKind::GateClose:
    case FrameKind::ReadCard:
      break;
    case FrameKind::CountDisplay:
      return kMaxCountDisplayTextBytes;
    case FrameKind::ThreeLineDisplay:
      return kMaxThreeLineTextBytes;
    case FrameKind::VoiceCodes:
      return kMaxVoiceInputBytes;
    case FrameKind::VoiceText:
      return kMaxVoiceTextBytes;
    case FrameKind::OneLineRecord:
      return kMaxOneRecordTextBytes;
    case FrameKind::TwoLineRecords:
      return kMaxTwoRecordsTextBytes;
    case FrameKind::FourLineRecords:
      return kMaxFourRecordsTextBytes;
    case FrameKind::BoxVoiceCodes:
      return kMaxBoxVoiceInputBytes;
    case FrameKind::BoxVoiceText:
    case FrameKind::SpeechBlock:
      return kMaxBoxSpeechTextBytes;
  }
  return std::nullopt;
}

std::optional<InputTooLarge> CheckInputSizes(FrameKind kind,
                                             std::span<const std::size_t> inputBytes) {
  const std::optional<std::size_t> limit = InputLimit(kind);
  if (!limit) return std::nullopt;
  std::size_t total = 0;
  std::size_t index = 0;
  for (const std::size_t bytes : inputBytes) {
    if (bytes > *limit) return InputTooLarge{index, bytes, *limit};
    total += bytes;
    ++index;
  }
  if (total > *limit) return InputTooLarge{kAllInputs, total, *limit};
  return std::nullopt;
}

PanelAction PlanPanelCommand(PanelCommand command, const PanelSelections& s) {
  const bool standard = s.lane == LaneType::Standard;
  switch (command) {
    case PanelCommand::TwoLineScreen:
      return TwoLineScreen(s);
    case PanelCommand::FourLineScreen:
      return FourLineScreen(s);
    case PanelCommand::DigitScreen:
      return DigitScreen(s);
    case PanelCommand::Voice1:
      return Voice(s, kSimpleSpeech1, kStandardSpeech1);
    case PanelCommand::Voice2:
      return Voice(s, kSimpleSpeech2, kStandardSpeech2);
    case PanelCommand::OpenGate:
      if (!standard) return {PanelAction::Kind::CameraOpensGate, {}, {}};
      return Send(BuildGateOpenFrame(Controller(s), kGateOpenArgument));
    case PanelCommand::CloseGate:
      if (!standard) return Refuse(kNotInSimpleLane);
      return Send(BuildGateCloseFrame(Controller(s)));
    case PanelCommand::ReadCard:
      break;
  }
  if (!standard) return Refuse(kNotInSimpleLane);
  return Send(BuildReadCardFrame(Controller(s), kReadCardArgument));
}

std::array<ByteFrame, 3> TestSequenceFrames() {
  return {BuildVoiceCodesFrame(kTestController, kTestGreetingCodes),
          BuildThreeLineDisplayFrame(kTestController, Gbk(kTestPlate), Gbk(kTestDuration),
                                     Gbk(kTestFee)),
          BuildVoiceCodesFrame(kTestController, kTestClosingCodes)};
}

}  // namespace protocol
