#include "LaneSimOptions.h"

#include <QCommandLineParser>

#include "LaneVersion.h"
#include "onvif/OnvifOptions.h"

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

QString FormatNames() {
  QStringList names;
  for (const auto& [format, name] : kPushFormatNames) names << QString::fromLatin1(name);
  return names.join(QLatin1String(", "));
}

std::optional<QUrl> HttpUrl(const QString& text) {
  const QUrl url(text, QUrl::StrictMode);
  if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty()) {
    return std::nullopt;
  }
  return url;
}

}  // namespace

ParsedOptions ParseOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Runs one virtual parking lane (controllers 1-16, screens, voice box, barrier, card reader)\n"
      "headless, with its serial line on a pseudo-terminal or a TCP device server, at the pace of\n"
      "a real line, and/or its live video on an RTSP server, and/or posts its plates to a URL.\n"
      "Prints a line for every frame it understood and every fault it counted. Its own lines\n"
      "start with \"lanesim:\"; the first ones say, in this order, where the serial line is, "
      "where\n"
      "the video is, where the ONVIF camera is and where plates go. With --push or --onvif a car\n"
      "comes every 30 s, and at once on SIGUSR1; every push, relay pulse and notification gets a\n"
      "line. Runs until SIGINT or SIGTERM."));
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
  const QCommandLineOption push(
      QStringLiteral("push"),
      QStringLiteral("Posts every plate, with its scene and close-up pictures, to <url> (http:// "
                     "only), one at a time and in order; a 503 with Retry-After is tried again "
                     "then, up to 3 tries. Alone or with --pty, --tcp or --rtsp."),
      QStringLiteral("url"));
  const QCommandLineOption pushFormat(
      QStringLiteral("push-format"),
      QStringLiteral("What --push posts: %1 (default console).").arg(FormatNames()),
      QStringLiteral("format"), QStringLiteral("console"));
  const QCommandLineOption onvifPort(
      QStringLiteral("onvif"),
      QStringLiteral("The lane as an ONVIF camera at http://127.0.0.1:<port>/onvif/device_service: "
                     "device management, media ver10 and ver20 (stream, snapshot), events (a "
                     "licence-plate notification with both pictures for each plate, by pull "
                     "point) and a relay output that lifts the barrier; 0 picks a free port. "
                     "Alone or with the others; with --rtsp its stream is the lane's video. "
                     "It answers WS-Discovery probes on 127.0.0.1:3702 (LANESIM_DISCOVERY_PORT "
                     "moves it; LANESIM_DISCOVERY_MULTICAST=1 also joins 239.255.255.250, for "
                     "tests in a network namespace of their own)."),
      QStringLiteral("port"));
  const onvif::OnvifOptions onvifOptions;
  const QCommandLineOption version(QStringLiteral("version"),
                                   QStringLiteral("Shows the version and exits."));
  parser.addOptions({pty, tcp, rtsp, push, pushFormat, onvifPort});
  onvifOptions.AddTo(parser);
  parser.addOptions({baud, quiet, help, version});

  if (!parser.parse(arguments)) return Invalid(parser.errorText());
  if (parser.isSet(help)) {
    ParsedOptions parsed;
    parsed.outcome = ParsedOptions::Outcome::Help;
    parsed.text = parser.helpText();
    return parsed;
  }
  if (parser.isSet(version)) {
    ParsedOptions parsed;
    parsed.outcome = ParsedOptions::Outcome::Version;
    parsed.text = QStringLiteral("lanesim ") + QLatin1String(kLaneVersion);
    return parsed;
  }
  if (!parser.positionalArguments().isEmpty()) {
    return Invalid(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments()[0]));
  }
  if (parser.isSet(pty) && parser.isSet(tcp)) {
    return Invalid(QStringLiteral("give one of --pty <link> and --tcp <port>, not both"));
  }
  if (!parser.isSet(pty) && !parser.isSet(tcp) && !parser.isSet(rtsp) && !parser.isSet(push) &&
      !parser.isSet(onvifPort)) {
    return Invalid(
        QStringLiteral("nothing to serve: give --pty <link> or --tcp <port>, and/or --rtsp "
                       "<port>, and/or --push <url>, and/or --onvif <port>"));
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
  if (parser.isSet(push)) {
    const std::optional<QUrl> url = HttpUrl(parser.value(push));
    if (!url) {
      return Invalid(
          QStringLiteral("--push wants an http:// URL, not '%1'").arg(parser.value(push)));
    }
    options.pushUrl = *url;
  } else if (parser.isSet(pushFormat)) {
    return Invalid(QStringLiteral("--push-format goes with --push <url>"));
  }
  const std::optional<PushFormat> format = PushFormatNamed(parser.value(pushFormat));
  if (!format) {
    return Invalid(QStringLiteral("--push-format wants one of %1, not '%2'")
                       .arg(FormatNames(), parser.value(pushFormat)));
  }
  options.pushFormat = *format;
  if (parser.isSet(onvifPort)) {
    options.onvifPort = Port(parser.value(onvifPort));
    if (!options.onvifPort)
      return Invalid(BadPort(QStringLiteral("onvif"), parser.value(onvifPort)));
    QString why;
    const std::optional<onvif::Settings> settings = onvifOptions.Read(parser, why);
    if (!settings) return Invalid(why);
    options.onvif = *settings;
  } else if (const std::optional<QString> alone = onvifOptions.AnyGiven(parser)) {
    return Invalid(QStringLiteral("%1 goes with --onvif <port>").arg(*alone));
  }
  ParsedOptions parsed;
  parsed.outcome = ParsedOptions::Outcome::Run;
  parsed.options = options;
  return parsed;
}

}  // namespace lanesim
