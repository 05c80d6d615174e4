#pragma once

#include <QObject>
#include <QString>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "PlateMapping.h"
#include "PlateRecord.h"

namespace httplib {
class Server;
}

namespace field {

// Where the console listens for plates: all interfaces unless a host is given,
// since a camera on the lane's network must reach the laptop.
struct PlateListenSettings {
  QString host = QStringLiteral("0.0.0.0");
  quint16 port = 0;
  QString token;  // empty: none asked for
  // Formats of mapping files, tried in this order before the built-in ones.
  std::vector<PlateFormatMapping> mappings;

  // "http://HOST:PORT/plates"
  QString Describe() const;
};

// "[HOST:]PORT", or nothing with `error` saying why.
std::optional<PlateListenSettings> ParsePlateListen(const QString& text, QString& error);

// A plate as it arrived, and from whom.
struct ReceivedPlate {
  PlateRecord record;
  QString sender;
};

// Receives plates that cameras and recognition engines push over HTTP, on
// threads of its own: the plate handler holds the GUI thread for 750 ms by
// design, and the answers must not wait for it. A plate answered 200 waits
// in a queue until the GUI thread takes it, so none is ever lost; when the
// queue is full the sender is told to come back later.
class PlateReceiver : public QObject {
  Q_OBJECT

 public:
  static constexpr std::size_t kMaxRequestBytes = 8 * 1024 * 1024;
  static constexpr int kMaxConnections = 16;
  static constexpr int kDefaultTimeoutSeconds = 10;
  static constexpr std::size_t kMaxWaitingPlates = 16;
  // Engines whose first heartbeat is announced in the pane; later ones stay quiet.
  static constexpr std::size_t kMostAgentsAnnounced = 64;

  explicit PlateReceiver(PlateListenSettings settings, int timeoutSeconds = kDefaultTimeoutSeconds,
                         QObject* parent = nullptr);
  ~PlateReceiver() override;

  // Binds and starts answering; false with `error` when the port cannot be had.
  bool Start(QString& error);
  // The port bound, also when 0 asked for any.
  quint16 Port() const { return port_; }

  // GUI thread: the oldest plate waiting, which leaves the queue now.
  std::optional<ReceivedPlate> Take();

 signals:
  // Plates wait to be taken; said once until the queue has been emptied.
  void PlateWaiting();
  // A refused request, in plain words for the pane.
  void Notice(const QString& text);

 private:
  bool QueueFull();
  // The pane's line for a heartbeat: only for an agent not heard from before.
  std::optional<QString> FirstHeard(const QString& agent);

  PlateListenSettings settings_;
  PlateMapper mapper_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  quint16 port_ = 0;
  std::mutex mutex_;
  std::deque<ReceivedPlate> waiting_;
  bool announced_ = false;
  std::set<QString> heardAgents_;
};

}  // namespace field
