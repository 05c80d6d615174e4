#include "PlateReceiver.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include <QUrlQuery>

#include "HostPort.h"
#include "PlateMapping.h"
#include "ThreadPriority.h"
#include "plates/HttpPictureFetch.h"

namespace field {
namespace {

constexpr char kPath[] = "/plates";

void Answer(httplib::Response& response, int status, const QString& text) {
  response.status = status;
  response.set_content(text.toStdString() + "\n", "text/plain; charset=utf-8");
}

void TryLater(httplib::Response& response) {
  response.set_header("Retry-After", "1");
  Answer(response, 503,
         QStringLiteral("%1 plates are waiting to be shown; try again")
             .arg(PlateReceiver::kMaxWaitingPlates));
}

void TooLarge(httplib::Response& response) {
  Answer(
      response, 413,
      QStringLiteral("the request is larger than %1 bytes").arg(PlateReceiver::kMaxRequestBytes));
}

// The pane's line for a plate turned away.
QString Refusal(const std::string& sender, const QString& why) {
  return QStringLiteral("拒收 %1 的车牌: %2").arg(QString::fromStdString(sender), why);
}

bool Authorised(const httplib::Request& request, const QString& token) {
  if (token.isEmpty()) return true;
  const std::string expected = token.toStdString();
  const std::string authorization = request.get_header_value("Authorization");
  return authorization == "Bearer " + expected ||
         (request.has_param("token") && request.get_param_value("token") == expected);
}

// httplib's pool, its workers behind the GUI thread.
class BackgroundPool : public httplib::TaskQueue {
 public:
  explicit BackgroundPool(int threads) : pool_(static_cast<std::size_t>(threads)) {}

  void enqueue(std::function<void()> task) override {
    pool_.enqueue([task = std::move(task)] {
      YieldProcessorToWindow();
      task();
    });
  }
  void shutdown() override { pool_.shutdown(); }

 private:
  httplib::ThreadPool pool_;
};

QByteArray Bytes(const std::string& text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

PlateRequest RequestOf(const httplib::Request& request) {
  PlateRequest plate;
  plate.contentType = QString::fromStdString(request.get_header_value("Content-Type"));
  plate.multipart = request.is_multipart_form_data();
  plate.sender = QString::fromStdString(request.remote_addr);
  if (!plate.multipart) plate.body = Bytes(request.body);
  for (const auto& [name, part] : request.files) {
    plate.parts.append({QString::fromStdString(name), QString::fromStdString(part.content_type),
                        Bytes(part.content)});
  }
  return plate;
}

}  // namespace

QString PlateListenSettings::Describe() const {
  return QStringLiteral("http://%1:%2%3").arg(host).arg(port).arg(QLatin1String(kPath));
}

std::optional<PlateListenSettings> ParsePlateListen(const QString& text, QString& error) {
  PlateListenSettings settings;
  const HostPort parts = SplitHostPort(text);
  if (parts.hasHost) settings.host = parts.host;
  bool ok = false;
  const uint number = parts.port.toUInt(&ok);
  if (!ok || number > 65535 || settings.host.isEmpty()) {
    error = QStringLiteral("\"%1\" is not [HOST:]PORT with a port from 0 to 65535").arg(text);
    return std::nullopt;
  }
  settings.port = static_cast<quint16>(number);
  return settings;
}

PlateReceiver::PlateReceiver(PlateListenSettings settings, int timeoutSeconds, QObject* parent)
    : QObject(parent),
      settings_(std::move(settings)),
      mapper_(settings_.mappings),
      server_(std::make_unique<httplib::Server>()) {
  server_->new_task_queue = [] { return new BackgroundPool(kMaxConnections); };
  server_->set_payload_max_length(kMaxRequestBytes);
  server_->set_read_timeout(timeoutSeconds, 0);
  server_->set_write_timeout(timeoutSeconds, 0);
  server_->set_keep_alive_timeout(timeoutSeconds);
  // Refused on its headers, before a byte of the body is read: a client
  // announcing too much is told at once, not after the library skipped it all.
  server_->set_pre_routing_handler(
      [](const httplib::Request& request, httplib::Response& response) {
        if (request.get_header_value<std::uint64_t>("Content-Length") <= kMaxRequestBytes) {
          return httplib::Server::HandlerResponse::Unhandled;
        }
        response.set_header("Connection", "close");
        TooLarge(response);
        return httplib::Server::HandlerResponse::Handled;
      });
  server_->Post(kPath, [this](const httplib::Request& request, httplib::Response& response) {
    if (!Authorised(request, settings_.token)) {
      Answer(response, 401, QStringLiteral("a wrong or missing token"));
      emit Notice(Refusal(request.remote_addr, QStringLiteral("令牌不对")));
      return;
    }
    // A full queue is told so before the body is decoded: under a flood the
    // cores go to showing plates, not to taking apart ones that cannot wait.
    if (QueueFull()) {
      TryLater(response);
      return;
    }
    MappedPlate mapped = mapper_.Map(RequestOf(request), FetchPictureOverHttp);
    if (!mapped.heartbeatFrom.isEmpty()) {
      Answer(response, 200, QStringLiteral("heartbeat"));
      if (const auto line = FirstHeard(mapped.heartbeatFrom)) emit Notice(*line);
      return;
    }
    if (!mapped.plate) {
      Answer(response, 400, mapped.error);
      emit Notice(Refusal(request.remote_addr, mapped.error));
      return;
    }
    bool announce = false;
    {
      const std::lock_guard lock(mutex_);
      if (waiting_.size() >= kMaxWaitingPlates) {
        TryLater(response);
        return;
      }
      waiting_.push_back({std::move(*mapped.plate), QString::fromStdString(request.remote_addr)});
      announce = !announced_;
      announced_ = true;
    }
    Answer(response, 200, QStringLiteral("queued"));
    if (!mapped.notices.isEmpty()) {
      emit Notice(QStringLiteral("%1 的车牌缺图片: %2")
                      .arg(QString::fromStdString(request.remote_addr),
                           mapped.notices.join(QStringLiteral("; "))));
    }
    if (announce) emit PlateWaiting();
  });
  // What the library refused by itself: a body too long, or a multipart body
  // it could not take apart; anything but POST /plates.
  server_->set_error_handler([this](const httplib::Request& request, httplib::Response& response) {
    if (!response.body.empty()) return;
    if (response.status == 413) {
      TooLarge(response);
    } else if (response.status == 400) {
      const QString reason =
          QStringLiteral("the body is not well-formed %1")
              .arg(QString::fromStdString(request.get_header_value("Content-Type")));
      Answer(response, 400, reason);
      emit Notice(Refusal(request.remote_addr, reason));
    } else {
      Answer(response, response.status, QStringLiteral("plates are posted to %1").arg(kPath));
    }
  });
}

PlateReceiver::~PlateReceiver() {
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

bool PlateReceiver::Start(QString& error) {
  const int port =
      settings_.port == 0
          ? server_->bind_to_any_port(settings_.host.toStdString())
          : (server_->bind_to_port(settings_.host.toStdString(), settings_.port) ? settings_.port
                                                                                 : -1);
  if (port < 0) {
    error = QStringLiteral("cannot listen on %1:%2").arg(settings_.host).arg(settings_.port);
    return false;
  }
  port_ = static_cast<quint16>(port);
  auto ended = std::make_shared<std::atomic<bool>>(false);
  thread_ = std::thread([this, ended] {
    YieldProcessorToWindow();
    server_->listen_after_bind();
    *ended = true;
  });
  // The library's stop() does nothing until the listening loop runs: a stop
  // before that would leave the loop running and the destructor waiting.
  while (!server_->is_running() && !*ended)
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  return true;
}

bool PlateReceiver::QueueFull() {
  const std::lock_guard lock(mutex_);
  return waiting_.size() >= kMaxWaitingPlates;
}

std::optional<QString> PlateReceiver::FirstHeard(const QString& agent) {
  const std::lock_guard lock(mutex_);
  // A sender inventing agent names must not grow the set or the pane without end.
  if (heardAgents_.size() >= kMostAgentsAnnounced || !heardAgents_.insert(agent).second) {
    return std::nullopt;
  }
  return QStringLiteral("OpenALPR 引擎 %1 在线").arg(agent);
}

std::optional<ReceivedPlate> PlateReceiver::Take() {
  const std::lock_guard lock(mutex_);
  if (waiting_.empty()) {
    announced_ = false;
    return std::nullopt;
  }
  ReceivedPlate plate = std::move(waiting_.front());
  waiting_.pop_front();
  return plate;
}

}  // namespace field
