#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "LineEnd.h"
#include "LinePacer.h"

namespace virtual_lane {
class Lane;
}

namespace lanesim {

// Joins a line end and the lane at the line's speed: the lane gets a chunk
// only when its last byte would have come down the wire, and what the lane
// sends leaves a byte time apart.
class PacedLink : public QObject {
  Q_OBJECT

 public:
  PacedLink(LineEnd& line, virtual_lane::Lane& lane, int baud, QObject* parent = nullptr);

 private:
  LinePacer::Nanos Now() const;
  void Pump();
  void Schedule();

  LineEnd& line_;
  virtual_lane::Lane& lane_;
  LinePacer toLane_;
  LinePacer toLine_;
  QElapsedTimer clock_;
  QTimer timer_;
};

}  // namespace lanesim
