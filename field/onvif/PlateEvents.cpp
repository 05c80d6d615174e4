#include "PlateEvents.h"

#include "OnvifDevice.h"

namespace field::onvif {
namespace {

constexpr int kRenewMarginMs = 10000;
// A camera that answers an empty pull at once instead of holding it is asked
// again after this pause, not in a tight loop.
constexpr int kEmptyPullPauseMs = 250;

}  // namespace

PlateEvents::PlateEvents(OnvifDevice& device, QObject* parent) : QObject(parent), device_(device) {
  retry_.setSingleShot(true);
  renew_.setSingleShot(true);
  connect(&retry_, &QTimer::timeout, this, &PlateEvents::Subscribe);
  connect(&renew_, &QTimer::timeout, this, &PlateEvents::Renew);
}

void PlateEvents::Start(const QUrl& events) {
  Stop();
  events_ = events;
  Subscribe();
}

void PlateEvents::Stop(std::function<void()> stopped) {
  ++generation_;
  retry_.stop();
  renew_.stop();
  if (!pullPoint_.isEmpty()) {
    SendToPullPoint(Unsubscribe(), 2000, [stopped](const SoapResult&) {
      if (stopped) stopped();
    });
  } else if (stopped) {
    stopped();
  }
  pullPoint_.clear();
  referenceParameters_.clear();
  failing_ = false;
  nextRetryMs_ = kFirstRetryMs;
}

void PlateEvents::SendToPullPoint(const Request& request, int timeoutMs,
                                  std::function<void(const SoapResult&)> done) {
  SoapCall call;
  call.url = pullPoint_;
  call.body = request.body;
  call.action = request.action;
  call.addressing = true;
  call.referenceParameters = referenceParameters_;
  call.timeoutMs = timeoutMs;
  call.largestAnswer = kLargestPullAnswer;
  device_.Transport().Send(call, std::move(done));
}

void PlateEvents::Subscribe() {
  const int generation = ++generation_;
  pullPoint_.clear();
  device_.Call(events_, GetEventProperties(), [this, generation](const SoapResult& properties) {
    if (generation != generation_) return;
    if (properties.refused) {
      emit Refused();
      return;
    }
    const bool filtered =
        properties.answer.Ok() &&
        ListsTopic(properties.answer.body, QStringLiteral("RuleEngine/Recognition/LicensePlate"));
    device_.Call(
        events_,
        CreatePullPointSubscription(filtered ? QString::fromLatin1(kLicensePlateTopic) : QString(),
                                    kLifetimeSeconds),
        [this, generation](const SoapResult& created) {
          if (generation != generation_) return;
          if (created.refused) {
            emit Refused();
            return;
          }
          const std::optional<Subscription> subscription =
              created.answer.Ok() ? ReadSubscription(created.answer.body) : std::nullopt;
          if (!subscription) {
            Failed(created.answer.Ok()
                       ? QStringLiteral("CreatePullPointSubscription: no subscription")
                       : QStringLiteral("CreatePullPointSubscription: ") +
                             created.answer.Problem());
            return;
          }
          // An empty address: the events service is the pull point.
          pullPoint_ =
              subscription->address.isEmpty() ? events_ : device_.Reach(subscription->address);
          referenceParameters_ = EchoReferenceParameters(
              subscription->referenceParameters ? &*subscription->referenceParameters : nullptr);
          RenewWithin(subscription->lifetimeMs.value_or(kLifetimeSeconds * 1000));
          if (failing_) emit Notice(QStringLiteral("摄像机事件已恢复"));
          failing_ = false;
          nextRetryMs_ = kFirstRetryMs;
          Pull();
        });
  });
}

void PlateEvents::Pull() {
  const int generation = generation_;
  pulled_.start();
  SendToPullPoint(
      PullMessages(kPullSeconds, 1), (kPullSeconds + 5) * 1000,
      [this, generation](const SoapResult& pulled) {
        if (generation != generation_) return;
        if (pulled.refused) {
          emit Refused();
          return;
        }
        if (!pulled.answer.Ok()) {
          Failed(QStringLiteral("PullMessages: ") + pulled.answer.Problem());
          return;
        }
        const std::vector<PlateNotification> plates = ReadPlateNotifications(pulled.answer.body);
        for (const PlateNotification& plate : plates) emit Plate(plate);
        const bool hasMessages = pulled.answer.body.Find(u"NotificationMessage") != nullptr;
        if (hasMessages || pulled_.elapsed() > kPullSeconds * 1000 / 2) {
          Pull();
        } else {
          QTimer::singleShot(kEmptyPullPauseMs, this, [this, generation] {
            if (generation == generation_) Pull();
          });
        }
      });
}

void PlateEvents::Renew() {
  const int generation = generation_;
  SendToPullPoint(
      onvif::Renew(kLifetimeSeconds), 5000, [this, generation](const SoapResult& renewed) {
        if (generation != generation_) return;
        // A pull point that cannot be renewed is made again when a pull fails.
        if (!renewed.answer.Ok()) return;
        const QDateTime now = ReadDateTime(renewed.answer.body.TextOf(u"CurrentTime"));
        const QDateTime end = ReadDateTime(renewed.answer.body.TextOf(u"TerminationTime"));
        RenewWithin(now.isValid() && end.isValid() ? now.msecsTo(end) : kLifetimeSeconds * 1000);
      });
}

void PlateEvents::RenewWithin(qint64 lifetimeMs) {
  const qint64 due = lifetimeMs > 2 * kRenewMarginMs ? lifetimeMs - kRenewMarginMs : lifetimeMs / 2;
  renew_.start(static_cast<int>(std::clamp<qint64>(due, 500, kLifetimeSeconds * 1000)));
}

void PlateEvents::Failed(const QString& reason) {
  renew_.stop();
  pullPoint_.clear();
  if (!failing_) emit Notice(QStringLiteral("摄像机事件中断, 正在重新订阅: ") + reason);
  failing_ = true;
  retry_.start(nextRetryMs_);
  nextRetryMs_ = std::min(nextRetryMs_ * 2, kLongestRetryMs);
}

}  // namespace field::onvif
