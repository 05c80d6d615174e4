#pragma once

namespace lanesim::onvif {

inline constexpr char kDevicePath[] = "/onvif/device_service";
inline constexpr char kMediaPath[] = "/onvif/media_service";
inline constexpr char kMedia2Path[] = "/onvif/media2_service";
inline constexpr char kEventsPath[] = "/onvif/events_service";
inline constexpr char kSubscriptionPath[] = "/onvif/subscription/";
inline constexpr char kSnapshotPath[] = "/onvif/snapshot.jpg";
inline constexpr char kPicturesPath[] = "/onvif/pictures/";

}  // namespace lanesim::onvif
