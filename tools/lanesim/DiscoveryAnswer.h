#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "WsDiscoveryMessages.h"

namespace lanesim {

// How lanesim's camera describes itself to a WS-Discovery probe.
struct DiscoveryIdentity {
  QString endpoint;  // urn:uuid:…, the same for the whole run
  QString serviceAddress;
  QStringList scopes;
  // WS-Discovery's AppSequence: the run's start, and a count of messages sent.
  quint32 instanceId = 1;
};

// The virtual lane's scopes: its name and hardware, percent-encoded.
QStringList LaneSimScopes();

// Whether lanesim answers: each type asked for is NetworkVideoTransmitter or
// Device (by local name, whatever the prefix), each scope a prefix of one of
// its own, segment by segment.
bool Matches(const field::onvif::Probe& probe, const DiscoveryIdentity& identity);

QByteArray BuildProbeMatches(const field::onvif::Probe& probe, const DiscoveryIdentity& identity,
                             const QString& messageId, quint32 messageNumber);

}  // namespace lanesim
