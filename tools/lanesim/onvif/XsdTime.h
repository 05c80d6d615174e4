#pragma once

#include <QDateTime>
#include <QString>
#include <chrono>
#include <optional>

namespace lanesim::onvif {

// xs:duration as ONVIF uses it (PT1S, PT0.5S, PT1M, P1DT2H); years and months
// count as 365 and 30 days. Negative durations are refused.
std::optional<std::chrono::milliseconds> ParseDuration(const QString& text);

// xs:dateTime; one without a zone is taken as UTC, as cameras do.
std::optional<QDateTime> ParseDateTime(const QString& text);

// A WS-BaseNotification termination time: a duration from `now`, or a moment.
std::optional<QDateTime> ParseAbsoluteOrRelative(const QString& text, const QDateTime& now);

// UTC with a Z, whole seconds.
QString XsdDateTime(const QDateTime& time);

// PTnS, with a fraction when the milliseconds need one.
QString XsdDuration(std::chrono::milliseconds duration);

}  // namespace lanesim::onvif
