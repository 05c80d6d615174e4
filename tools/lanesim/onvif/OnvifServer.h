#pragma once

#include <QString>
#include <QUrl>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "CameraClock.h"
#include "DeviceService.h"
#include "EventService.h"
#include "HttpDigest.h"
#include "LaneHooks.h"
#include "MediaService.h"
#include "OnvifSettings.h"
#include "PlateEvent.h"
#include "UsedNonces.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace lanesim::onvif {

// The lane as an ONVIF camera over HTTP on 127.0.0.1, on threads of its own:
// it checks credentials as the settings say and hands each request to its
// service by address.
class OnvifServer {
 public:
  // Port 0 lets the system choose. `stream` is the lane's RTSP address, if any.
  static std::unique_ptr<OnvifServer> Start(std::uint16_t port, const Settings& settings,
                                            std::optional<QUrl> stream, LaneHooks hooks,
                                            QString& error);
  OnvifServer(const OnvifServer&) = delete;
  OnvifServer& operator=(const OnvifServer&) = delete;
  // Waiting pulls are answered at once.
  ~OnvifServer();

  std::uint16_t Port() const { return port_; }
  // Where it listens, not the host it names.
  QString DeviceServiceUrl() const;
  // Any thread.
  void Publish(const virtual_lane::PlateEvent& plate) { events_->Publish(plate); }

 private:
  OnvifServer(const Settings& settings, LaneHooks hooks);
  void Route();
  void Soap(const httplib::Request& request, httplib::Response& response);
  std::optional<HttpReply> Refusal(const std::string& path, const SoapCall& call,
                                   HttpDigest::Verdict digest);
  HttpReply Challenge(HttpDigest::Verdict digest) const;
  HttpReply Dispatch(const httplib::Request& request, const SoapCall& call);
  void Picture(const httplib::Request& request, httplib::Response& response);
  void Send(const HttpReply& reply, httplib::Response& response) const;

  Settings settings_;
  LaneHooks hooks_;
  CameraClock clock_;
  HttpDigest digest_;
  UsedNonces usedNonces_;
  std::unique_ptr<httplib::Server> http_;
  std::uint16_t port_ = 0;
  std::unique_ptr<DeviceService> device_;
  std::unique_ptr<MediaService> media10_;
  std::unique_ptr<MediaService> media20_;
  std::unique_ptr<EventService> events_;
  std::thread thread_;
};

}  // namespace lanesim::onvif
