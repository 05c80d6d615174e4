#pragma once

#include "ByteFrame.h"

namespace protocol {

// FD, n+3 (high byte first), 01, 01, text, XOR check byte. Shared by the voice
// box's speech frame and the controller's voice-text command.
ByteFrame SpeechBlock(Bytes text);

// The first nine codes, missing ones 00, further ones dropped. Shared with the
// controller's voice-codes command.
void AppendVoiceCodes(std::vector<std::uint8_t>& out, Bytes codes);

// 05 12 box, the first nine codes (missing ones 00), 0D.
ByteFrame BuildBoxVoiceCodesFrame(int box, Bytes codes);
// 05 12 box, SpeechBlock(text), 0D.
ByteFrame BuildBoxVoiceTextFrame(int box, Bytes text);

}  // namespace protocol
