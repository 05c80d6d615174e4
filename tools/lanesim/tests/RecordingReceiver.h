#pragma once

#include <httplib.h>

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace lanesim::testing {

struct ReceivedPart {
  QByteArray contentType;
  QByteArray fileName;
  QByteArray body;
};

struct ReceivedRequest {
  QByteArray method;
  QByteArray path;
  QByteArray contentType;
  QByteArray body;
  std::map<QByteArray, ReceivedPart> parts;  // a multipart form's, by name
};

struct Answer {
  int status = 200;
  QByteArray retryAfter;  // empty: no Retry-After header
};

// An HTTP server on 127.0.0.1 that records every request and answers from a
// script, 200 once the script is used up. Held, it keeps requests waiting
// until released, as a busy receiver would.
class RecordingReceiver {
 public:
  explicit RecordingReceiver(std::deque<Answer> script = {});
  ~RecordingReceiver();
  RecordingReceiver(const RecordingReceiver&) = delete;
  RecordingReceiver& operator=(const RecordingReceiver&) = delete;

  QString Url(const QString& path = QStringLiteral("/plates")) const;
  std::vector<ReceivedRequest> Requests() const;
  // True once `count` requests came, false when patience ran out first.
  bool WaitForRequests(std::size_t count) const;
  void Hold();
  void Release();

 private:
  void Record(const httplib::Request& request, httplib::Response& response);

  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<ReceivedRequest> requests_;
  std::deque<Answer> script_;
  bool held_ = false;
};

}  // namespace lanesim::testing
