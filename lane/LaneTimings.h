#pragma once

namespace virtual_lane {

// How fast the virtual lane lives, in milliseconds. Tests shorten them.
struct LaneTimings {
  int carPeriodMs = 30000;       // a car arrives by itself (0 = never)
  int plateDelayMs = 200;        // Trigger → plate event
  int cardReplyDelayMs = 80;     // read-card command → A2 reply
  int gateCloseDelayMs = 10000;  // barrier closes by itself
  int frameIntervalMs = 40;      // live video, 25 fps
  int serialIdleMs = 200;        // a quiet line ends a burst: half-received frames are dropped
};

}  // namespace virtual_lane
