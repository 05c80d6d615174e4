#pragma once

#include <QByteArray>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "PlateEvent.h"

namespace virtual_lane {

// How the card reply reaches the camera.
enum class SerialFault {
  None,
  Garbled,     // some bytes flipped
  Truncated,   // cut short
  Duplicated,  // comes twice, in two events
  ByteByByte,  // one event per byte
};

// What the plate event carries instead of the two pictures.
enum class PictureFault {
  None,
  Missing,   // no bytes at all (length 0)
  Empty,     // a JPEG with nothing between its start and end markers
  NotJpeg,   // random bytes
  CutShort,  // the start of the real JPEG only
};

// What goes wrong with one lane, for tests (Lane::SetFaults). All off by default.
//
// While the lane refuses calls or is unreachable, handles opened before stay
// open: once the fault is over they work again, as a camera SDK that
// reconnects by itself would have it. An unreachable lane's events are lost.
struct LaneFaults {
  bool refuseCalls = false;  // every call fails with camera::kStatusFailed and `refusal`
  std::string refusal = "the camera refused the call";
  int unreachableMs = 0;  // off the network for this long from SetFaults on
  SerialFault serial = SerialFault::None;
  PictureFault pictures = PictureFault::None;
  // Disconnecting the last handle does not stop the lane's events reaching
  // the camera (car after car, replies still on their way) until the camera
  // connects to the lane again.
  bool eventsAfterDisconnect = false;
};

// Carries out a lane's faults on what it sends. Its random source is seeded
// per lane, so a run repeats.
class FaultInjector {
 public:
  explicit FaultInjector(std::uint32_t seed) : random_(seed) {}

  // The chunks in which the serial line delivers `reply`.
  std::vector<QByteArray> SerialChunks(SerialFault fault, std::span<const std::uint8_t> reply);
  void SpoilPictures(PictureFault fault, PlateEvent& event);

 private:
  int Between(int low, int high);
  void Spoil(PictureFault fault, std::vector<std::uint8_t>& jpeg);

  std::mt19937 random_;
};

}  // namespace virtual_lane
