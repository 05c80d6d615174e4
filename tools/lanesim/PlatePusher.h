#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <deque>
#include <optional>

#include "PlatePayload.h"

class QNetworkReply;

namespace lanesim {

// Posts plates to one URL in the order they came, one request at a time, so
// that the receiver sees the lane's cars in order. A 503 with Retry-After is
// sent again when asked, up to kMostTries; any other answer or failure is
// reported and the plate dropped. Every outcome is one Note line.
class PlatePusher : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMostWaiting = 16;
  static constexpr int kMostTries = 3;

  explicit PlatePusher(QUrl target, QObject* parent = nullptr);

  void Push(const QString& plate, PlatePayload payload);

 signals:
  void Note(const QString& line);

 private:
  struct Pending {
    QString plate;
    PlatePayload payload;
    int tries = 0;
  };

  void SendNext();
  void Send();
  void Answered(QNetworkReply* reply);
  QString Outcome(const QString& what) const;

  QUrl target_;
  QNetworkAccessManager network_;
  std::deque<Pending> waiting_;
  std::optional<Pending> current_;
  QTimer retryTimer_;
};

}  // namespace lanesim
