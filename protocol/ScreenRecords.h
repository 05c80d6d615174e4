#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ByteFrame.h"

namespace protocol {

// 0x20 marks a record whose text is longer than 8 bytes (bytes, not characters).
std::uint8_t LongTextFlag(std::size_t textBytes);

// Appends one record: number (low 8 bits), flag, text, 0x0D. Shared with the
// controller's display commands, whose bodies are made of these records.
void AppendLineRecord(std::vector<std::uint8_t>& out, int number, Bytes text);

ByteFrame BuildOneLineRecord(int number, Bytes text);
ByteFrame BuildTwoLineRecords(int number1, Bytes text1, int number2, Bytes text2);
ByteFrame BuildFourLineRecords(int number1, Bytes text1, int number2, Bytes text2, int number3,
                               Bytes text3, int number4, Bytes text4);

}  // namespace protocol
