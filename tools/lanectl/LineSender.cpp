#include "LineSender.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include "EchoFilter.h"
#include "LineSettings.h"
#include "ReplyAssembler.h"
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
                                text(request.parity), text(request.stopBits)},
                               problem);
  if (settings) settings->discardEcho = request.discardEcho;
  return settings;
}

// Runs the event loop until `done` or the deadline.
void WaitFor(QEventLoop& loop, const std::function<bool()>& done, QDeadlineTimer deadline) {
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
    if (done() || deadline.hasExpired()) loop.quit();
  });
  tick.start(1);
  if (!done()) loop.exec();
}

}  // namespace

SendOutcome SendOnLine(const SendRequest& request) {
  QString problem;
  const auto settings = Settings(request, problem);
  if (!settings) return Fail(SendOutcome::Kind::BadRequest, problem);

  field::SerialLine line(*settings);
  bool heardFromLine = false;
  QByteArray received;
  field::EchoFilter echo;
  protocol::ReplyAssembler assembler;
  bool wholeFrame = false;
  QObject::connect(&line, &field::SerialLine::Notice, [&] { heardFromLine = true; });
  QObject::connect(&line, &field::SerialLine::Received, [&](const QByteArray& bytes) {
    const QByteArray answer = settings->discardEcho ? echo.Filter(bytes) : bytes;
    received += answer;
    const auto* data = reinterpret_cast<const std::uint8_t*>(answer.constData());
    wholeFrame =
        wholeFrame || !assembler.Feed({data, static_cast<std::size_t>(answer.size())}).empty();
  });

  QEventLoop loop;
  line.Open();
  WaitFor(
      loop, [&] { return heardFromLine; }, QDeadlineTimer(kOpenTimeoutMs));
  if (!line.IsUp()) {
    return Fail(SendOutcome::Kind::NoAnswer,
                settings->port + QStringLiteral(": ") +
                    (heardFromLine ? line.Problem() : QStringLiteral("no answer")));
  }

  const QByteArray frame(reinterpret_cast<const char*>(request.frame.data()),
                         static_cast<qsizetype>(request.frame.size()));
  if (settings->discardEcho) echo.Sent(frame);
  if (!line.Send(frame, problem)) return Fail(SendOutcome::Kind::NoAnswer, problem);
  if (request.waitMs == 0) {
    line.Close();
    return {SendOutcome::Kind::Sent, {}, {}};
  }

  WaitFor(
      loop, [&] { return wholeFrame; }, QDeadlineTimer(request.waitMs));
  line.Close();
  if (received.isEmpty()) {
    return Fail(SendOutcome::Kind::NoAnswer,
                QStringLiteral("no answer within %1 ms").arg(request.waitMs));
  }
  return {SendOutcome::Kind::Answered, {received.begin(), received.end()}, {}};
}

}  // namespace lanectl
