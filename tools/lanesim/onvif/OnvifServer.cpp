#include "OnvifServer.h"

#include <httplib.h>

#include <sys/socket.h>

#include <QRegularExpression>

#include "OnvifPaths.h"
#include "UsernameToken.h"
#include "XmlTree.h"

namespace lanesim::onvif {
namespace {

// Long polls hold a thread each: room for every pull point, and the rest.
constexpr std::size_t kThreads = PullPoints::kMostSubscriptions + 8;

QByteArray Bytes(const std::string& text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

HttpReply NotAuthorized(int status, const QString& why) {
  return SoapFault(status, QStringLiteral("env:Sender"), {QStringLiteral("ter:NotAuthorized")},
                   QStringLiteral("Sender not Authorized: %1").arg(why));
}

HttpReply PlainStatus(int status, const QByteArray& text) {
  HttpReply reply;
  reply.status = status;
  reply.contentType = "text/plain; charset=utf-8";
  reply.body = text + '\n';
  return reply;
}

}  // namespace

OnvifServer::OnvifServer(const Settings& settings, LaneHooks hooks)
    : settings_(settings),
      hooks_(std::move(hooks)),
      clock_(settings.clockOffset),
      digest_(QStringLiteral("lanesim"), settings.user, settings.password),
      usedNonces_(2 * kTokenTolerance),
      http_(std::make_unique<httplib::Server>()) {}

std::unique_ptr<OnvifServer> OnvifServer::Start(std::uint16_t port, const Settings& settings,
                                                std::optional<QUrl> stream, LaneHooks hooks,
                                                QString& error) {
  std::unique_ptr<OnvifServer> server(new OnvifServer(settings, std::move(hooks)));
  httplib::Server& http = *server->http_;
  http.new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
  // cpp-httplib's default adds SO_REUSEPORT, with which a second camera on the
  // same port would share it silently instead of being refused.
  http.set_socket_options([](socket_t socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  http.set_payload_max_length(field::onvif::kLargestAnswer);
  // A SOAP answer goes out as headers and body; held back by Nagle until the client's delayed
  // acknowledgement, each answer would take some 40 ms.
  http.set_tcp_nodelay(true);
  // An idle kept-alive connection holds a thread, and the server's end waits for it.
  http.set_keep_alive_timeout(1);
  const int bound = port == 0 ? http.bind_to_any_port("127.0.0.1")
                              : (http.bind_to_port("127.0.0.1", port) ? port : -1);
  if (bound <= 0) {
    error = QStringLiteral("cannot serve ONVIF on 127.0.0.1:%1").arg(port);
    return nullptr;
  }
  server->port_ = static_cast<std::uint16_t>(bound);
  const QString base = QStringLiteral("http://%1:%2").arg(settings.host).arg(bound);
  if (stream) stream->setHost(settings.host);
  server->device_ =
      std::make_unique<DeviceService>(base, settings.media, server->clock_, server->hooks_);
  if (settings.media.ver10) {
    server->media10_ = std::make_unique<MediaService>(MediaService::Version::Ver10, base, stream);
  }
  if (settings.media.ver20) {
    server->media20_ = std::make_unique<MediaService>(MediaService::Version::Ver20, base, stream);
  }
  server->events_ = std::make_unique<EventService>(base, server->clock_, server->hooks_);
  server->Route();
  server->thread_ = std::thread([&http] { http.listen_after_bind(); });
  return server;
}

OnvifServer::~OnvifServer() {
  if (events_) events_->Close();
  http_->stop();
  if (thread_.joinable()) thread_.join();
}

QString OnvifServer::DeviceServiceUrl() const {
  return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(QLatin1String(kDevicePath));
}

void OnvifServer::Route() {
  http_->Post(R"(/onvif/.*)", [this](const httplib::Request& request, httplib::Response& response) {
    Soap(request, response);
  });
  http_->Get(R"(/onvif/.*)", [this](const httplib::Request& request, httplib::Response& response) {
    Picture(request, response);
  });
}

void OnvifServer::Send(const HttpReply& reply, httplib::Response& response) const {
  response.status = reply.status;
  for (const auto& [name, value] : reply.headers) {
    response.set_header(name.toStdString(), value.toStdString());
  }
  response.set_content(reply.body.constData(), static_cast<std::size_t>(reply.body.size()),
                       reply.contentType.toStdString());
}

// An empty body is how curl and others ask for the challenge before they
// send the real request: a 401 for it, not a 400.
void OnvifServer::Soap(const httplib::Request& request, httplib::Response& response) {
  const HttpDigest::Verdict digest =
      settings_.auth == AuthMode::Token
          ? HttpDigest::Verdict::Missing
          : digest_.Check(Bytes(request.get_header_value("Authorization")), Bytes(request.method),
                          Bytes(request.target), false);
  QString error;
  const std::optional<field::onvif::XmlElement> envelope =
      field::onvif::ParseXml(Bytes(request.body), error);
  const field::onvif::XmlElement* body =
      envelope && envelope->name == QLatin1String("Envelope") ? envelope->Child(u"Body") : nullptr;
  if (body == nullptr || body->children.empty()) {
    if (settings_.auth != AuthMode::Token && digest != HttpDigest::Verdict::Accepted) {
      Send(Challenge(digest), response);
    } else {
      Send(SoapFault(400, QStringLiteral("env:Sender"), {QStringLiteral("ter:WellFormed")},
                     error.isEmpty() ? QStringLiteral("no SOAP envelope with a body") : error),
           response);
    }
    return;
  }
  SoapCall call;
  call.header = envelope->Child(u"Header");
  call.operation = &body->children.front();
  if (call.header != nullptr) {
    if (const field::onvif::XmlElement* id = call.header->Child(u"MessageID")) {
      call.messageId = id->text;
    }
  }
  if (const std::optional<HttpReply> refusal = Refusal(request.path, call, digest)) {
    Send(*refusal, response);
    return;
  }
  Send(Dispatch(request, call), response);
}

HttpReply OnvifServer::Challenge(HttpDigest::Verdict digest) const {
  HttpReply challenge = NotAuthorized(401, QStringLiteral("HTTP Digest required"));
  for (const QByteArray& value : digest_.Challenges(false, digest == HttpDigest::Verdict::Stale)) {
    challenge.headers.emplace_back("WWW-Authenticate", value);
  }
  return challenge;
}

std::optional<HttpReply> OnvifServer::Refusal(const std::string& path, const SoapCall& call,
                                              HttpDigest::Verdict digest) {
  if (path == kDevicePath && call.Operation() == QLatin1String("GetSystemDateAndTime")) {
    return std::nullopt;
  }
  if (digest == HttpDigest::Verdict::Accepted) return std::nullopt;
  const TokenVerdict token =
      settings_.auth != AuthMode::Digest
          ? CheckUsernameToken(call.header, settings_.user, settings_.password, clock_.Now())
          : TokenVerdict{};
  if (token.kind == TokenVerdict::Kind::Accepted) {
    const QString nonce = call.header->Path({u"Security", u"UsernameToken"})->TextOf(u"Nonce");
    if (usedNonces_.FirstUse(nonce.toLatin1())) return std::nullopt;
    hooks_.note(
        QStringLiteral("lanesim: onvif refused %1: a token sent again").arg(call.Operation()));
    return NotAuthorized(400, QStringLiteral("a token sent again"));
  }

  const QString refused = QStringLiteral("lanesim: onvif refused %1: ").arg(call.Operation());
  if (token.kind == TokenVerdict::Kind::Refused) {
    hooks_.note(refused + token.why);
    return NotAuthorized(400, token.why);
  }
  if (settings_.auth == AuthMode::Token) {
    return NotAuthorized(400, QStringLiteral("a WS-UsernameToken is required"));
  }
  if (digest == HttpDigest::Verdict::Refused) {
    hooks_.note(refused + QStringLiteral("wrong HTTP Digest"));
  }
  return Challenge(digest);
}

HttpReply OnvifServer::Dispatch(const httplib::Request& request, const SoapCall& call) {
  const std::string& path = request.path;
  if (path == kDevicePath) return device_->Handle(call);
  if (path == kMediaPath && media10_) return media10_->Handle(call);
  if (path == kMedia2Path && media20_) return media20_->Handle(call);
  if (path == kEventsPath) return events_->Handle(call);
  static const QRegularExpression subscription(
      QStringLiteral("^%1(\\d{1,9})$").arg(QRegularExpression::escape(kSubscriptionPath)));
  const QRegularExpressionMatch match = subscription.match(QString::fromStdString(path));
  if (match.hasMatch()) return events_->HandleSubscription(match.captured(1).toInt(), call);
  return SoapFault(404, QStringLiteral("env:Sender"), {QStringLiteral("ter:ActionNotSupported")},
                   QStringLiteral("no service at %1").arg(QString::fromStdString(path)));
}

void OnvifServer::Picture(const httplib::Request& request, httplib::Response& response) {
  static const QRegularExpression picture(QStringLiteral("^%1(\\d{1,9})/(closeup|scene)\\.jpg$")
                                              .arg(QRegularExpression::escape(kPicturesPath)));
  const QString path = QString::fromStdString(request.path);
  const QRegularExpressionMatch match = picture.match(path);
  if (path != QLatin1String(kSnapshotPath) && !match.hasMatch()) {
    Send(PlainStatus(404, "no such picture"), response);
    return;
  }
  const HttpDigest::Verdict verdict =
      digest_.Check(Bytes(request.get_header_value("Authorization")), Bytes(request.method),
                    Bytes(request.target), true);
  if (verdict != HttpDigest::Verdict::Accepted) {
    if (verdict == HttpDigest::Verdict::Refused) {
      hooks_.note(QStringLiteral("lanesim: onvif refused %1: wrong credentials").arg(path));
    }
    HttpReply challenge = PlainStatus(401, "credentials wanted");
    for (const QByteArray& value :
         digest_.Challenges(true, verdict == HttpDigest::Verdict::Stale)) {
      challenge.headers.emplace_back("WWW-Authenticate", value);
    }
    Send(challenge, response);
    return;
  }
  std::optional<QByteArray> jpeg;
  if (match.hasMatch()) {
    jpeg = events_->Picture(match.captured(1).toInt(), match.captured(2) == QLatin1String("closeup")
                                                           ? PictureStore::Kind::CloseUp
                                                           : PictureStore::Kind::Scene);
  } else {
    jpeg = hooks_.snapshot();
  }
  if (!jpeg) {
    Send(PlainStatus(match.hasMatch() ? 404 : 503, "picture gone or not ready"), response);
    return;
  }
  HttpReply reply;
  reply.contentType = "image/jpeg";
  reply.body = *jpeg;
  Send(reply, response);
}

}  // namespace lanesim::onvif
