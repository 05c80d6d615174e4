#include "SelectorValue.h"

#include <charconv>
#include <string>
#include <string_view>

int SelectorValue(const QString& text, int fallback) {
  const std::string utf8 = text.toStdString();
  std::string_view number = utf8;
  // from_chars takes a minus sign but not a plus sign.
  if (number.starts_with('+')) {
    number.remove_prefix(1);
    if (number.starts_with('-')) return fallback;
  }
  int value = 0;
  const char* end = number.data() + number.size();
  const auto [stop, error] = std::from_chars(number.data(), end, value);
  return error == std::errc{} && stop == end ? value : fallback;
}
