#include "LaneSimOptions.h"

#include <QCommandLineParser>

namespace lanesim {
namespace {

constexpr int kLowestBaud = 50;
constexpr int kHighestBaud = 4'000'000;
constexpr int kHighestPort = 65535;

ParsedOptions Invalid(const QString& why) {
  ParsedOptions parsed;
  parsed.text = why;
  return parsed;
}

std::optional<std::uint16_t> Port(const QString& text) {
  bool number = false;
  const int port = text.toInt(&number);
  if (!number || port < 0 || port > kHighestPort) return std::nullopt;
  return static_cast<std::uint16_t>(port);
}

QString BadPort(const QString& option, const QString& text) {
  return QStringLiteral("--%1 wants a port from 0 to %2, not '%3'")
      .arg(option)
      .arg(kHighestPort)
      .arg(text);
}

}  // namespace

ParsedOptions ParseOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Runs one virtual parking lane (controllers 1-16, screens, voice box, barrier, card reader)\n"
      "headless, with its serial line on a pseudo-terminal or a TCP device server, at the pace of\n"
      "a real line, and/or its live video on an RTSP server. Prints a line for every frame it\n"
      "understood and every fault it counted. Its own lines start with \"lanesim:\"; the first\n"
      "says where the serial line is, the next where the video is (the first when there is no\n"
      "line). Runs until SIGINT or SIGTERM."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Shows this help."));
  const QCommandLineOption pty(
      QStringLiteral("pty"),
      QStringLiteral("Serial line on a pseudo-terminal; <link> becomes a symbolic link to it "
                     "(an older symbolic link is replaced, any other file refused) and is removed "
                     "at the end."),
      QStringLiteral("link"));
  const QCommandLineOption tcp(
      QStringLiteral("tcp"),
      QStringLiteral("Serial line behind a device server on 127.0.0.1:<port>, one client at a "
                     "time; 0 picks a free port."),
      QStringLiteral("port"));
  const QCommandLineOption rtsp(
      QStringLiteral("rtsp"),
      QStringLiteral("Live video, H.264 1280x720 at 25 fps, at rtsp://127.0.0.1:<port>/lane, each "
                     "frame's capture time stamped in its top-left corner; 0 picks a free port. "
                     "Alone or with --pty or --tcp."),
      QStringLiteral("port"));
  const QCommandLineOption baud(
      QStringLiteral("baud"),
      QStringLiteral("Line speed in bits per second, ten bits a byte, both ways (default 9600)."),
      QStringLiteral("rate"), QStringLiteral("9600"));
  const QCommandLineOption quiet(
      QStringLiteral("quiet"),
      QStringLiteral("No line per frame or fault; lanesim's own lines stay."));
  parser.addOptions({pty, tcp, rtsp, baud, quiet, help});

  if (!parser.parse(arguments)) return Invalid(parser.errorText());
  if (parser.isSet(help)) {
    ParsedOptions parsed;
    parsed.outcome = ParsedOptions::Outcome::Help;
    parsed.text = parser.helpText();
    return parsed;
  }
  if (!parser.positionalArguments().isEmpty()) {
    return Invalid(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments()[0]));
  }
  if (parser.isSet(pty) && parser.isSet(tcp)) {
    return Invalid(QStringLiteral("give one of --pty <link> and --tcp <port>, not both"));
  }
  if (!parser.isSet(pty) && !parser.isSet(tcp) && !parser.isSet(rtsp)) {
    return Invalid(QStringLiteral(
        "nothing to serve: give --pty <link> or --tcp <port>, and/or --rtsp <port>"));
  }

  Options options;
  options.quiet = parser.isSet(quiet);
  bool number = false;
  options.baud = parser.value(baud).toInt(&number);
  if (!number || options.baud < kLowestBaud || options.baud > kHighestBaud) {
    return Invalid(QStringLiteral("--baud wants a rate from %1 to %2, not '%3'")
                       .arg(kLowestBaud)
                       .arg(kHighestBaud)
                       .arg(parser.value(baud)));
  }
  if (parser.isSet(pty)) {
    options.line = LineKind::Pty;
    options.link = parser.value(pty);
    if (options.link.isEmpty()) return Invalid(QStringLiteral("--pty wants a path"));
  } else if (parser.isSet(tcp)) {
    options.line = LineKind::Tcp;
    const std::optional<std::uint16_t> port = Port(parser.value(tcp));
    if (!port) return Invalid(BadPort(QStringLiteral("tcp"), parser.value(tcp)));
    options.port = *port;
  }
  if (parser.isSet(rtsp)) {
    options.rtspPort = Port(parser.value(rtsp));
    if (!options.rtspPort) return Invalid(BadPort(QStringLiteral("rtsp"), parser.value(rtsp)));
  }
  ParsedOptions parsed;
  parsed.outcome = ParsedOptions::Outcome::Run;
  parsed.options = options;
  return parsed;
}

}  // namespace lanesim
