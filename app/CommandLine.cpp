#include "CommandLine.h"

#include <QCommandLineParser>

#include "Gstreamer.h"
#include "LaneVersion.h"
#include "plates/PlateFormatFiles.h"

namespace {

CommandLineOutcome Refuse(const QString& problem) {
  return {std::nullopt, 2, {}, QStringLiteral("laneconsole: %1\n").arg(problem)};
}

}  // namespace

CommandLineOutcome ParseCommandLine(const QStringList& arguments, const QString& cameraPassword) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Commissioning console for one lane of a licence-plate-recognition parking lot.\n"
      "Without options it drives the virtual lane, in process."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Show this help and exit."));
  const QCommandLineOption version(QStringLiteral("version"),
                                   QStringLiteral("Show the version and exit."));
  const QCommandLineOption serial(
      QStringLiteral("serial"),
      QStringLiteral("The lane's peripherals on PORT instead of the camera's pass-through: a tty "
                     "(/dev/ttyUSB0, /dev/serial/by-id/..., a pseudo-terminal or a link to one) "
                     "or tcp:HOST:PORT, a serial device server in TCP server mode."),
      QStringLiteral("PORT"));
  const QCommandLineOption baud(QStringLiteral("baud"),
                                QStringLiteral("Bits per second on a tty (default 9600)."),
                                QStringLiteral("N"), QStringLiteral("9600"));
  const QCommandLineOption dataBits(QStringLiteral("data-bits"),
                                    QStringLiteral("5, 6, 7 or 8 (default 8)."),
                                    QStringLiteral("N"), QStringLiteral("8"));
  const QCommandLineOption parity(QStringLiteral("parity"),
                                  QStringLiteral("none, even or odd (default none)."),
                                  QStringLiteral("P"), QStringLiteral("none"));
  const QCommandLineOption stopBits(QStringLiteral("stop-bits"),
                                    QStringLiteral("1 or 2 (default 1)."), QStringLiteral("N"),
                                    QStringLiteral("1"));
  const QCommandLineOption discardEcho(
      QStringLiteral("discard-echo"),
      QStringLiteral("Drop what a half-duplex adapter hands back of each frame just sent."));
  const QCommandLineOption rxGap(
      QStringLiteral("rx-gap"),
      QStringLiteral("Bytes received less than MS apart are shown as one chunk; a whole reply "
                     "is shown at once (default: 3.5 characters at the line's rate, at least "
                     "20)."),
      QStringLiteral("MS"));
  const QCommandLineOption video(
      QStringLiteral("video"),
      QStringLiteral("The lane's live video from URL, anything GStreamer plays: rtsp:// (H.264, "
                     "H.265), http(s):// MJPEG, file://. {address} stands for the address "
                     "typed in the window: rtsp://{address}:554/h264."),
      QStringLiteral("URL"));
  const QCommandLineOption videoLatency(
      QStringLiteral("video-latency"),
      QStringLiteral("Milliseconds an RTSP stream may be held back to smooth out the network "
                     "(default 100); late frames are dropped."),
      QStringLiteral("MS"), QStringLiteral("100"));
  const QCommandLineOption platesListen(
      QStringLiteral("plates-listen"),
      QStringLiteral("Receive plates that cameras and recognition engines post over HTTP to "
                     "http://HOST:PORT/plates (HOST: every interface when left out). Formats: "
                     "docs/plates.md, installed in /usr/share/doc/laneconsole/docs/."),
      QStringLiteral("[HOST:]PORT"));
  const QCommandLineOption platesMap(
      QStringLiteral("plates-map"),
      QStringLiteral("Also take plates in the format FILE describes (a mapping file, "
                     "docs/plates.md); may be given again, the files tried in order before the "
                     "built-in formats."),
      QStringLiteral("FILE"));
  const QCommandLineOption platesToken(
      QStringLiteral("plates-token"),
      QStringLiteral("Accept only plates posted with \"Authorization: Bearer TOKEN\" or "
                     "?token=TOKEN."),
      QStringLiteral("TOKEN"));
  const QCommandLineOption camera(
      QStringLiteral("camera"),
      QStringLiteral("The lane's camera through ONVIF: its video, pictures, plates and gate. "
                     "URL: onvif://[USER@]{address}[:PORT][/PATH] (port 80 and "
                     "/onvif/device_service when left out). The password comes from "
                     "LANECONSOLE_CAMERA_PASSWORD, or is asked for at 连接 when the camera "
                     "refuses. Details: docs/onvif.md."),
      QStringLiteral("URL"));
  const QCommandLineOption cameraProfile(
      QStringLiteral("camera-profile"),
      QStringLiteral("The camera's media profile whose stream to show (default: the first)."),
      QStringLiteral("NAME_OR_TOKEN"));
  const QCommandLineOption cameraRelay(
      QStringLiteral("camera-relay"),
      QStringLiteral("The relay output that opens the gate (default: the first)."),
      QStringLiteral("TOKEN"));
  const QCommandLineOption gatePulse(
      QStringLiteral("gate-pulse"),
      QStringLiteral("How long the camera's relay stays active for one opening (default 1000)."),
      QStringLiteral("MS"), QStringLiteral("1000"));
  parser.addOptions({help, version, camera, cameraProfile, cameraRelay, gatePulse, serial, baud,
                     dataBits, parity, stopBits, discardEcho, rxGap, video, videoLatency,
                     platesListen, platesMap, platesToken});

  if (!parser.parse(arguments)) return Refuse(parser.errorText());
  // Read before any application exists, the parser does not know the program's name.
  if (parser.isSet(help)) {
    return {std::nullopt,
            0,
            parser.helpText().replace(QStringLiteral("<executable_name>"),
                                      QStringLiteral("laneconsole")),
            {}};
  }
  if (parser.isSet(version)) {
    return {
        std::nullopt, 0, QStringLiteral("laneconsole %1\n").arg(QLatin1String(kLaneVersion)), {}};
  }
  if (!parser.positionalArguments().isEmpty()) {
    return Refuse(QStringLiteral("unexpected argument \"%1\"")
                      .arg(parser.positionalArguments().constFirst()));
  }

  ConsoleOptions options;
  if (parser.isSet(camera)) {
    QString error;
    options.camera = field::ParseCameraUrl(parser.value(camera), error);
    if (!options.camera) return Refuse(QStringLiteral("--camera: ") + error);
    if (options.camera->password.isEmpty()) options.camera->password = cameraPassword;
    options.camera->profile = parser.value(cameraProfile);
    options.camera->relay = parser.value(cameraRelay);
    bool ok = false;
    options.camera->gatePulseMs = parser.value(gatePulse).toInt(&ok);
    if (!ok || options.camera->gatePulseMs < 1 || options.camera->gatePulseMs > 600000) {
      return Refuse(QStringLiteral("--gate-pulse: \"%1\" is not a whole number from 1 to 600000")
                        .arg(parser.value(gatePulse)));
    }
  } else {
    for (const QCommandLineOption* cameraOption : {&cameraProfile, &cameraRelay, &gatePulse}) {
      if (parser.isSet(*cameraOption)) {
        return Refuse(
            QStringLiteral("--%1 needs --camera").arg(cameraOption->names().constFirst()));
      }
    }
  }
  if (parser.isSet(platesMap) && !parser.isSet(platesListen)) {
    return Refuse(QStringLiteral("--plates-map needs --plates-listen"));
  }
  if (parser.isSet(platesToken) && !parser.isSet(platesListen)) {
    return Refuse(QStringLiteral("--plates-token needs --plates-listen"));
  }
  if (parser.isSet(platesListen)) {
    QString error;
    options.plates = field::ParsePlateListen(parser.value(platesListen), error);
    if (!options.plates) return Refuse(QStringLiteral("--plates-listen: ") + error);
    options.plates->token = parser.value(platesToken);
    auto mappings = field::LoadPlateFormatFiles(
        parser.values(platesMap) + field::ShippedPlateFormatFiles(), error);
    if (!mappings) return Refuse(QStringLiteral("--plates-map: ") + error);
    options.plates->mappings = std::move(*mappings);
  }
  if (parser.isSet(videoLatency) && !parser.isSet(video)) {
    return Refuse(QStringLiteral("--video-latency needs --video"));
  }
  if (parser.isSet(video)) {
    field::VideoSettings stream;
    stream.url = parser.value(video);
    if (!stream.url.contains(QLatin1String("://"))) {
      return Refuse(QStringLiteral("--video: \"%1\" is not a URL such as rtsp://{address}:554/h264")
                        .arg(field::WithoutCredentials(stream.url)));
    }
    bool ok = false;
    stream.latencyMs = parser.value(videoLatency).toInt(&ok);
    if (!ok || stream.latencyMs < 0 || stream.latencyMs > 10000) {
      return Refuse(QStringLiteral("--video-latency: \"%1\" is not a whole number from 0 to 10000")
                        .arg(parser.value(videoLatency)));
    }
    options.video = stream;
  }
  if (!parser.isSet(serial)) {
    for (const QCommandLineOption* lineOption :
         {&baud, &dataBits, &parity, &stopBits, &discardEcho, &rxGap}) {
      if (parser.isSet(*lineOption)) {
        return Refuse(QStringLiteral("--%1 needs --serial").arg(lineOption->names().constFirst()));
      }
    }
    return {options, 0, {}, {}};
  }
  QString problem;
  std::optional<field::LineSettings> line =
      field::ParseLineSettings({parser.value(serial), parser.value(baud), parser.value(dataBits),
                                parser.value(parity), parser.value(stopBits), parser.value(rxGap)},
                               problem);
  if (!line) return Refuse(problem);
  line->discardEcho = parser.isSet(discardEcho);
  options.serial = line;
  return {options, 0, {}, {}};
}
