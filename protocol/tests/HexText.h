#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Hex helpers for the tests, kept apart from the library's own dump code so
// that expectations never pass through the code under test.
namespace hex_text {

// "55 D5 0A" -> {0x55, 0xD5, 0x0A}; blanks are optional.
inline std::vector<std::uint8_t> Bytes(std::string_view hex) {
  std::vector<std::uint8_t> bytes;
  std::string digits;
  for (const char c : hex) {
    if (c != ' ') digits += c;
  }
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

// {0x55, 0xD5, 0x0A} -> "55 D5 0A"
inline std::string Text(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (const std::uint8_t byte : bytes) {
    char pair[4];
    std::snprintf(pair, sizeof pair, "%02X", byte);
    if (!text.empty()) text += ' ';
    text += pair;
  }
  return text;
}

inline std::vector<std::uint8_t> Ascii(std::string_view text) {
  return {text.begin(), text.end()};
}

}  // namespace hex_text
