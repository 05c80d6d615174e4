#include "RecordingReceiver.h"

#include <chrono>

#include "LaneSimProcess.h"

namespace lanesim::testing {
namespace {

QByteArray Bytes(const std::string& text) {
  return {text.data(), static_cast<qsizetype>(text.size())};
}

}  // namespace

RecordingReceiver::RecordingReceiver(std::deque<Answer> script) : script_(std::move(script)) {
  server_.Post(".*", [this](const httplib::Request& request, httplib::Response& response) {
    Record(request, response);
  });
  // Bound is listening: connections wait in the backlog until the loop takes them.
  port_ = server_.bind_to_any_port("127.0.0.1");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
}

RecordingReceiver::~RecordingReceiver() {
  Release();
  server_.stop();
  thread_.join();
}

QString RecordingReceiver::Url(const QString& path) const {
  return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
}

std::vector<ReceivedRequest> RecordingReceiver::Requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

bool RecordingReceiver::WaitForRequests(std::size_t count) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(kPatienceMs),
                           [&] { return requests_.size() >= count; });
}

void RecordingReceiver::Hold() {
  const std::lock_guard lock(mutex_);
  held_ = true;
}

void RecordingReceiver::Release() {
  {
    const std::lock_guard lock(mutex_);
    held_ = false;
  }
  changed_.notify_all();
}

void RecordingReceiver::Record(const httplib::Request& request, httplib::Response& response) {
  ReceivedRequest received{Bytes(request.method),
                           Bytes(request.path),
                           Bytes(request.get_header_value("Content-Type")),
                           Bytes(request.body),
                           {}};
  for (const auto& [name, part] : request.files) {
    received.parts[Bytes(name)] = {Bytes(part.content_type), Bytes(part.filename),
                                   Bytes(part.content)};
  }
  std::unique_lock lock(mutex_);
  requests_.push_back(std::move(received));
  changed_.notify_all();
  changed_.wait_for(lock, std::chrono::milliseconds(kPatienceMs), [this] { return !held_; });
  Answer answer;
  if (!script_.empty()) {
    answer = script_.front();
    script_.pop_front();
  }
  response.status = answer.status;
  if (!answer.retryAfter.isEmpty()) {
    response.set_header("Retry-After", answer.retryAfter.toStdString());
  }
  response.set_content("", "text/plain");
}

}  // namespace lanesim::testing
