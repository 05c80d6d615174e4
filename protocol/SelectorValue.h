#pragma once

#include <string_view>

namespace protocol {

// What a selector's text stands for: a plain decimal integer with an optional
// sign that fits an int, else the command's fallback. Blanks, hexadecimal and
// anything trailing the digits count as not a number.
int SelectorValue(std::string_view text, int fallback);

}  // namespace protocol
