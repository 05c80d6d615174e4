#pragma once

#include <QString>
#include <chrono>

#include "CameraClock.h"
#include "LaneHooks.h"
#include "PictureStore.h"
#include "PlateEvent.h"
#include "PullPoints.h"
#include "SoapCall.h"
#include "SoapReply.h"

namespace lanesim::onvif {

inline constexpr char kPlateTopic[] = "tns1:RuleEngine/Recognition/LicensePlate";

// Events: the licence-plate topic, pull-point subscriptions and their long polls.
class EventService {
 public:
  static constexpr std::chrono::seconds kDefaultLifetime{60};
  static constexpr std::chrono::hours kLongestLifetime{1};
  static constexpr std::chrono::seconds kLongestPull{60};
  static constexpr int kMostMessages = 100;

  EventService(QString base, const CameraClock& clock, LaneHooks hooks);

  // At the events service's address.
  HttpReply Handle(const SoapCall& call);
  // At subscription `id`'s address.
  HttpReply HandleSubscription(int id, const SoapCall& call);

  // On any thread: a notification for every subscription, pictures kept for it.
  void Publish(const virtual_lane::PlateEvent& plate);
  std::optional<QByteArray> Picture(int id, PictureStore::Kind kind) const;
  // Ends every waiting pull, for a server going away.
  void Close() { pullPoints_.Close(); }

 private:
  HttpReply CreatePullPointSubscription(const SoapCall& call);
  HttpReply PullMessages(int id, const SoapCall& call);
  HttpReply Renew(int id, const SoapCall& call);
  QString Address(int id) const;
  QString CameraTime(PullPoints::Clock::time_point when) const;

  QString base_;
  const CameraClock& clock_;
  LaneHooks hooks_;
  PullPoints pullPoints_;
  PictureStore pictures_;
};

// Whether a subscription filter's topic expression takes in the licence-plate
// topic: prefixes are ignored, "|" separates alternatives, "//." takes a
// whole subtree.
bool TopicFilterAccepts(const QString& expression);

}  // namespace lanesim::onvif
