#pragma once

// WS-Discovery (2005/04) as ONVIF devices speak it: the Probe the console
// sends, and the ProbeMatches a device answers with.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <vector>

namespace field::onvif {

inline constexpr quint16 kDiscoveryPort = 3702;
inline constexpr char kDiscoveryGroup[] = "239.255.255.250";
inline constexpr char kDiscoveryNamespace[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
inline constexpr char kDiscoveryAddressingNamespace[] =
    "http://schemas.xmlsoap.org/ws/2004/08/addressing";

// A datagram holds at most this much; one device describes itself in far less.
inline constexpr qsizetype kLargestProbeAnswer = 65507;
inline constexpr int kMostMatchesPerAnswer = 16;
inline constexpr int kMostWordsPerList = 64;
inline constexpr qsizetype kLongestWord = 1024;

// Types are matched as AND: a camera is asked once for each.
enum class ProbeType { NetworkVideoTransmitter, Device };

QByteArray BuildProbe(ProbeType type, const QString& messageId);

struct ProbeMatch {
  // The device's stable identity (usually urn:uuid:…), the same on every interface.
  QString endpoint;
  QStringList types;
  QStringList scopes;
  QStringList serviceAddresses;  // XAddrs
  QString name;                  // from onvif://www.onvif.org/name/…
  QString hardware;              // from onvif://www.onvif.org/hardware/…
};

// The matches of a ProbeMatches answer, at most kMostMatchesPerAnswer, each
// list bounded; none for anything else. Read by local names only.
std::vector<ProbeMatch> ReadProbeMatches(const QByteArray& datagram);

struct Probe {
  QString messageId;
  QStringList types;   // QNames as written; none asks for every device
  QStringList scopes;  // none asks for every device
};

// A Probe, read by local names and bounded as answers are; nullopt for
// anything else.
std::optional<Probe> ReadProbe(const QByteArray& datagram);

// The percent-decoded rest of the first onvif://www.onvif.org/KEY/… scope;
// the key's case is ignored, as some firmware capitalises it.
QString ScopeValue(const QStringList& scopes, QStringView key);

}  // namespace field::onvif
