#include "SelectorValue.h"

#include <charconv>

namespace protocol {

int SelectorValue(std::string_view text, int fallback) {
  // from_chars takes a minus sign but not a plus sign.
  if (text.starts_with('+')) {
    text.remove_prefix(1);
    if (text.starts_with('-')) return fallback;
  }
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc{} && stop == end ? value : fallback;
}

}  // namespace protocol
