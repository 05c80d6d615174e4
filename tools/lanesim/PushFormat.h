#pragma once

#include <QString>
#include <array>
#include <optional>
#include <utility>

namespace lanesim {

// The body lanesim posts for each plate: the console's own, or what one of
// the open recognition engines posts, so that the console's receiver can be
// tried on each without the engine.
enum class PushFormat { Console, OpenAlpr, PlateRecognizer };

inline constexpr std::array<std::pair<PushFormat, const char*>, 3> kPushFormatNames = {{
    {PushFormat::Console, "console"},
    {PushFormat::OpenAlpr, "openalpr"},
    {PushFormat::PlateRecognizer, "platerecognizer"},
}};

inline std::optional<PushFormat> PushFormatNamed(const QString& name) {
  for (const auto& [format, formatName] : kPushFormatNames) {
    if (name == QLatin1String(formatName)) return format;
  }
  return std::nullopt;
}

inline QString PushFormatName(PushFormat format) {
  for (const auto& [each, name] : kPushFormatNames) {
    if (each == format) return QString::fromLatin1(name);
  }
  return {};
}

}  // namespace lanesim
