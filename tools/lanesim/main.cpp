#include <QGuiApplication>
#include <cstdio>
#include <memory>

#include "DiscoveryResponder.h"
#include "Lane.h"
#include "LaneSimOptions.h"
#include "PacedLink.h"
#include "PlatePusher.h"
#include "ProcessSignals.h"
#include "PtyLine.h"
#include "RtspVideoServer.h"
#include "TcpLine.h"
#include "onvif/SimulatedCamera.h"

namespace {

constexpr int kRuntimeFailure = 1;
constexpr int kBadOptions = 2;

// Flushed line by line: scripts and tests wait for these lines.
void Say(std::FILE* stream, const QString& line) {
  const QByteArray bytes = line.toUtf8() + '\n';
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
  std::fflush(stream);
}

std::unique_ptr<lanesim::LineEnd> OpenLine(const lanesim::Options& options, QString& where,
                                           QString& error) {
  if (options.line == lanesim::LineKind::Pty) {
    auto line = lanesim::PtyLine::Open(options.link, error);
    if (line) where = QStringLiteral("serial line on %1 (%2)").arg(options.link, line->SlavePath());
    return line;
  }
  auto line = lanesim::TcpLine::Listen(options.port, error);
  if (line) where = QStringLiteral("device server on 127.0.0.1:%1").arg(line->Port());
  return line;
}

std::unique_ptr<lanesim::PlatePusher> PushPlates(virtual_lane::Lane& lane,
                                                 const lanesim::Options& options) {
  auto pusher = std::make_unique<lanesim::PlatePusher>(options.pushUrl);
  QObject::connect(pusher.get(), &lanesim::PlatePusher::Note,
                   [](const QString& note) { Say(stdout, note); });
  QObject::connect(&lane, &virtual_lane::Lane::PlateRecognised, pusher.get(),
                   [&lane, &options, to = pusher.get()](const virtual_lane::PlateEvent& event) {
                     to->Push(event.number, lanesim::MakePayload(event, options.pushFormat,
                                                                 lane.Address(), options.pushUrl));
                   });
  return pusher;
}

int Run(const lanesim::Options& options) {
  lanesim::ProcessSignals processSignals;
  QObject::connect(&processSignals, &lanesim::ProcessSignals::Termination, [](const QString& name) {
    Say(stdout, QStringLiteral("lanesim: %1, stopping").arg(name));
    QCoreApplication::quit();
  });

  QString where;
  QString error;
  std::unique_ptr<lanesim::LineEnd> line;
  if (options.line != lanesim::LineKind::None) {
    line = OpenLine(options, where, error);
    if (!line) {
      Say(stderr, QStringLiteral("lanesim: ") + error);
      return kRuntimeFailure;
    }
    QObject::connect(line.get(), &lanesim::LineEnd::Note,
                     [](const QString& note) { Say(stdout, note); });
  }

  // Any address's lane is the same. Cars come only while something watches
  // for plates: the pusher or the ONVIF camera.
  virtual_lane::Lane lane(QStringLiteral("127.0.0.1"), virtual_lane::LaneTimings{});
  QObject::connect(&processSignals, &lanesim::ProcessSignals::CarRequested, &lane, [&lane] {
    try {
      lane.Recognise();
    } catch (const std::exception& error) {
      Say(stderr, QStringLiteral("lanesim: no car: ") + error.what());
    }
  });
  if (!options.quiet) {
    QObject::connect(&lane, &virtual_lane::Lane::Activity,
                     [](const QString& activity) { Say(stdout, activity); });
  }
  std::unique_ptr<lanesim::PacedLink> link;
  if (line) link = std::make_unique<lanesim::PacedLink>(*line, lane, options.baud);

  std::unique_ptr<lanesim::RtspVideoServer> video;
  if (options.rtspPort) {
    video = lanesim::RtspVideoServer::Start(*options.rtspPort, lane, error);
    if (!video) {
      Say(stderr, QStringLiteral("lanesim: ") + error);
      return kRuntimeFailure;
    }
  }

  std::unique_ptr<lanesim::onvif::SimulatedCamera> camera;
  if (options.onvifPort) {
    camera = lanesim::onvif::SimulatedCamera::Start(
        lane, *options.onvifPort, options.onvif,
        video ? std::optional(QUrl(video->Url())) : std::nullopt, error);
    if (!camera) {
      Say(stderr, QStringLiteral("lanesim: ") + error);
      return kRuntimeFailure;
    }
    QObject::connect(camera.get(), &lanesim::onvif::SimulatedCamera::Note,
                     [](const QString& note) { Say(stdout, note); });
  }
  // Another program may hold the discovery port; the camera still serves without it.
  std::unique_ptr<lanesim::DiscoveryResponder> discovery;
  if (camera) {
    discovery = lanesim::DiscoveryResponder::Start(
        lanesim::DiscoveryResponder::SettingsFromEnvironment(camera->DeviceServiceUrl()), error);
    if (!discovery) {
      Say(stderr, QStringLiteral("lanesim: no WS-Discovery: ") + error);
    } else {
      QObject::connect(discovery.get(), &lanesim::DiscoveryResponder::Note,
                       [](const QString& note) { Say(stdout, note); });
    }
  }

  std::unique_ptr<lanesim::PlatePusher> pusher;
  if (!options.pushUrl.isEmpty()) pusher = PushPlates(lane, options);

  if (line) Say(stdout, QStringLiteral("lanesim: %1, %2 baud").arg(where).arg(options.baud));
  if (video) Say(stdout, QStringLiteral("lanesim: video on ") + video->Url());
  if (camera) Say(stdout, QStringLiteral("lanesim: onvif on ") + camera->DeviceServiceUrl());
  if (discovery) Say(stdout, QStringLiteral("lanesim: WS-Discovery on ") + discovery->Where());
  if (pusher) {
    Say(stdout, QStringLiteral("lanesim: pushing plates to %1 (%2)")
                    .arg(options.pushUrl.toString(), lanesim::PushFormatName(options.pushFormat)));
  }
  return QCoreApplication::exec();
}

}  // namespace

// Options are read before any application exists, so that a bad one gets
// exactly one line on stderr. The lane paints its pictures with fonts, which
// needs a GUI application; with no display named it runs offscreen.
int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const lanesim::ParsedOptions parsed = lanesim::ParseOptions(arguments);
  switch (parsed.outcome) {
    case lanesim::ParsedOptions::Outcome::Invalid:
      Say(stderr, QStringLiteral("lanesim: ") + parsed.text);
      return kBadOptions;
    case lanesim::ParsedOptions::Outcome::Help: {
      const QCoreApplication named(argc, argv);
      Say(stdout, lanesim::ParseOptions(QCoreApplication::arguments()).text.trimmed());
      return 0;
    }
    case lanesim::ParsedOptions::Outcome::Version:
      Say(stdout, parsed.text);
      return 0;
    case lanesim::ParsedOptions::Outcome::Run:
      break;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const QGuiApplication app(argc, argv);
  return Run(parsed.options);
}
