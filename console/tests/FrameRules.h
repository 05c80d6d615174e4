#pragma once

#include <cstdint>
#include <span>
#include <string>

// Checks a frame the console sends against the lane's protocols, written
// apart from the builders: what is on the wire, not how it was made.
// Allowed: a controller frame (sync, length, both CRCs) carrying D0 with an
// argument 1–255, D1, A2 with two bytes, A6 with one record or records 1, 2, 3,
// A7 with nine codes or a voice byte and a speech block; one screen record,
// or records numbered 1, 2 or 1 to 4; a voice-box frame with nine codes or a
// speech block. Nothing over 512 bytes.
//
// Returns why the frame is not allowed, or an empty string.
std::string FrameObjection(std::span<const std::uint8_t> frame);
