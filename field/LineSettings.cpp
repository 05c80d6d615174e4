#include "LineSettings.h"

#include "HostPort.h"

#include <algorithm>

namespace field {
namespace {

constexpr char kTcpPrefix[] = "tcp:";

bool SplitDeviceServer(const QString& port, QString& host, quint16& tcpPort) {
  if (!port.startsWith(QLatin1String(kTcpPrefix))) return false;
  const HostPort parts = SplitHostPort(port.mid(static_cast<qsizetype>(sizeof kTcpPrefix) - 1));
  bool ok = false;
  const uint number = parts.port.toUInt(&ok);
  if (!parts.hasHost || parts.host.isEmpty() || !ok || number == 0 || number > 65535) return false;
  host = parts.host;
  tcpPort = static_cast<quint16>(number);
  return true;
}

std::optional<int> ParseWhole(const QString& text, QString& error, const char* what,
                              std::initializer_list<int> allowed) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (ok) {
    for (const int candidate : allowed) {
      if (value == candidate) return value;
    }
  }
  error = QStringLiteral("%1 \"%2\" is not one of").arg(QLatin1String(what), text);
  for (const int candidate : allowed) error += QStringLiteral(" %1").arg(candidate);
  return std::nullopt;
}

// Reads one setting; false with `error` naming its option.
template <typename Parse, typename Value>
bool ReadSetting(const QString& text, const char* option, Parse parse, Value& value,
                 QString& error) {
  QString why;
  const auto parsed = parse(text, why);
  if (!parsed) {
    error = QStringLiteral("--%1: %2").arg(QLatin1String(option), why);
    return false;
  }
  value = *parsed;
  return true;
}

}  // namespace

std::optional<LineSettings> ParseLineSettings(const LineSettingTexts& texts, QString& error) {
  LineSettings line;
  const bool read = ReadSetting(texts.port, "serial", ParsePort, line.port, error) &&
                    ReadSetting(texts.baud, "baud", ParseBaud, line.baud, error) &&
                    ReadSetting(texts.dataBits, "data-bits", ParseDataBits, line.dataBits, error) &&
                    ReadSetting(texts.parity, "parity", ParseParity, line.parity, error) &&
                    ReadSetting(texts.stopBits, "stop-bits", ParseStopBits, line.stopBits, error);
  if (!read) return std::nullopt;
  if (texts.rxGap.isEmpty()) return line;
  int gap = 0;
  if (!ReadSetting(texts.rxGap, "rx-gap", ParseRxGap, gap, error)) return std::nullopt;
  line.rxGapMs = gap;
  return line;
}

int LineSettings::RxGapMs() const {
  if (rxGapMs) return *rxGapMs;
  const int bitsPerCharacter = 1 + dataBits + (parity == Parity::None ? 0 : 1) + stopBits;
  // 3.5 characters in whole milliseconds, rounded up: 7 * bits * 1000 / (2 * baud).
  const int characters = (7 * bitsPerCharacter * 1000 + 2 * baud - 1) / (2 * baud);
  return std::max(kShortestRxGapMs, characters);
}

bool LineSettings::IsDeviceServer() const {
  return port.startsWith(QLatin1String(kTcpPrefix));
}

QString LineSettings::Host() const {
  QString host;
  quint16 tcpPort = 0;
  SplitDeviceServer(port, host, tcpPort);
  return host;
}

quint16 LineSettings::TcpPort() const {
  QString host;
  quint16 tcpPort = 0;
  SplitDeviceServer(port, host, tcpPort);
  return tcpPort;
}

QString LineSettings::Describe() const {
  if (IsDeviceServer()) return port;
  static constexpr char kParity[] = {'N', 'E', 'O'};
  return QStringLiteral("%1 %2 %3%4%5")
      .arg(port)
      .arg(baud)
      .arg(dataBits)
      .arg(QLatin1Char(kParity[static_cast<int>(parity)]))
      .arg(stopBits);
}

std::optional<QString> ParsePort(const QString& text, QString& error) {
  if (text.isEmpty()) {
    error = QStringLiteral("the port is empty: give a device path or tcp:HOST:PORT");
    return std::nullopt;
  }
  QString host;
  quint16 tcpPort = 0;
  if (text.startsWith(QLatin1String(kTcpPrefix)) && !SplitDeviceServer(text, host, tcpPort)) {
    error = QStringLiteral("\"%1\" is not tcp:HOST:PORT with a port from 1 to 65535").arg(text);
    return std::nullopt;
  }
  return text;
}

std::optional<int> ParseBaud(const QString& text, QString& error) {
  bool ok = false;
  const int baud = text.toInt(&ok);
  if (ok && baud >= 50 && baud <= 4000000) return baud;
  error = QStringLiteral("baud rate \"%1\" is not a whole number from 50 to 4000000").arg(text);
  return std::nullopt;
}

std::optional<int> ParseDataBits(const QString& text, QString& error) {
  return ParseWhole(text, error, "data bits", {5, 6, 7, 8});
}

std::optional<LineSettings::Parity> ParseParity(const QString& text, QString& error) {
  if (text == QLatin1String("none")) return LineSettings::Parity::None;
  if (text == QLatin1String("even")) return LineSettings::Parity::Even;
  if (text == QLatin1String("odd")) return LineSettings::Parity::Odd;
  error = QStringLiteral("parity \"%1\" is not none, even or odd").arg(text);
  return std::nullopt;
}

std::optional<int> ParseStopBits(const QString& text, QString& error) {
  return ParseWhole(text, error, "stop bits", {1, 2});
}

std::optional<int> ParseRxGap(const QString& text, QString& error) {
  bool ok = false;
  const int gap = text.toInt(&ok);
  if (ok && gap >= 0 && gap <= kLongestRxGapMs) return gap;
  error = QStringLiteral("receive gap \"%1\" is not a whole number of milliseconds from 0 to %2")
              .arg(text)
              .arg(kLongestRxGapMs);
  return std::nullopt;
}

}  // namespace field
