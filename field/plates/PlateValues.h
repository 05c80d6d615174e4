#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <QStringList>

// The rules for one field's value, shared by the built-in formats and the
// mapping files. `name` is how a refusal or notice names the field. A value
// that is null or undefined counts as not given.
namespace field {

enum class TimeFormat { Iso8601, EpochSeconds, EpochMilliseconds, EpochEither, Digits };

bool IsGiven(const QJsonValue& value);

// A string; empty when not given.
QString StringOf(const QJsonValue& value, const QString& name);
// A string or a number written out; empty when not given.
QString TextOf(const QJsonValue& value, const QString& name);
// The plate itself: a string, not empty.
QString PlateTextOf(const QJsonValue& value, const QString& name);

// A number or a string holding one, from 0 to `scale`, as a share of it; 0 when not given.
float ConfidenceOf(const QJsonValue& value, const QString& name, double scale);

// Invalid when not given. EpochEither: below 10^11 seconds, else milliseconds.
// Digits: yyyyMMddHHmmss, then optionally fractions of a second, a blank
// allowed after the date; local time.
QDateTime TimeOf(const QJsonValue& value, const QString& name, TimeFormat format);

// The decoded bytes; a value that is no base64 costs only the picture: empty,
// with a line in `notices` naming the field.
QByteArray Base64PictureOf(const QJsonValue& value, const QString& name, QStringList& notices);

}  // namespace field
