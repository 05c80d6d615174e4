#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "VideoBackend.h"

namespace camera {

// The video control: shows the live video of the address in StreamAddress.
// Setting the property is an automation property-put; a failure throws
// ComponentError and leaves the property as it was.
class Taxclient : public QWidget {
  Q_OBJECT

 public:
  explicit Taxclient(VideoBackend* backend, QWidget* parent = nullptr);

  QString StreamAddress() const { return streamAddress_; }
  void SetStreamAddress(const QString& address);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPointer<VideoBackend> backend_;
  QString streamAddress_;
};

}  // namespace camera
