#include "LineSender.h"

#include "LineSettings.h"
#include "ReplyAssembler.h"
#include "RunEventLoop.h"
#include "SerialLine.h"

namespace lanectl {
namespace {

// Long enough for a device server across a site network, short enough for a script.
constexpr int kOpenTimeoutMs = 3000;

SendOutcome Fail(SendOutcome::Kind kind, const QString& problem) {
  return {kind, {}, problem.toStdString()};
}

// The line as typed, or why not.
std::optional<field::LineSettings> Settings(const SendRequest& request, QString& problem) {
  const auto text = [](const std::string& value) { return QString::fromStdString(value); };
  std::optional<field::LineSettings> settings =
      field::ParseLineSettings({text(request.port), text(request.baud), text(request.dataBits),
                                text(request.parity), text(request.stopBits), text(request.rxGap)},
                               problem);
  if (settings) settings->discardEcho = request.discardEcho;
  return settings;
}

}  // namespace

SendOutcome SendOnLine(const SendRequest& request) {
  QString problem;
  const auto settings = Settings(request, problem);
  if (!settings) return Fail(SendOutcome::Kind::BadRequest, problem);

  field::SerialLine line(*settings);
  bool heardFromLine = false;
  QByteArray received;
  protocol::ReplyAssembler assembler;
  bool wholeFrame = false;
  QObject::connect(&line, &field::SerialLine::Notice, [&] { heardFromLine = true; });
  QObject::connect(&line, &field::SerialLine::Received, [&](const QByteArray& bytes) {
    received += bytes;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    wholeFrame =
        wholeFrame || !assembler.Feed({data, static_cast<std::size_t>(bytes.size())}).empty();
  });

  line.Open();
  RunEventLoopUntil([&] { return heardFromLine; }, kOpenTimeoutMs);
  if (!line.IsUp()) {
    return Fail(SendOutcome::Kind::NoAnswer,
                settings->port + QStringLiteral(": ") +
                    (heardFromLine ? line.Problem() : QStringLiteral("no answer")));
  }

  const QByteArray frame(reinterpret_cast<const char*>(request.frame.data()),
                         static_cast<qsizetype>(request.frame.size()));
  if (!line.Send(frame, problem)) return Fail(SendOutcome::Kind::NoAnswer, problem);
  if (request.waitMs == 0) {
    line.Close();
    return {SendOutcome::Kind::Sent, {}, {}};
  }

  RunEventLoopUntil([&] { return wholeFrame; }, request.waitMs);
  line.Close();
  if (received.isEmpty()) {
    return Fail(SendOutcome::Kind::NoAnswer,
                QStringLiteral("no answer within %1 ms").arg(request.waitMs));
  }
  return {SendOutcome::Kind::Answered, {received.begin(), received.end()}, {}};
}

}  // namespace lanectl
