// Searches on 127.0.0.1 only: unicast probes to a stand-in camera.
#include <gtest/gtest.h>

#include <QNetworkDatagram>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <vector>

#include "WsDiscovery.h"

namespace field::onvif {
namespace {

constexpr int kPatienceMs = 10000;
constexpr int kShortSearchMs = 400;

QByteArray Answer(const QByteArray& endpoint, const QByteArray& name,
                  const QByteArray& service = "http://127.0.0.1:8080/onvif/device_service") {
  return "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body>"
         "<d:ProbeMatches xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
         "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\"><d:ProbeMatch>"
         "<a:EndpointReference><a:Address>" +
         endpoint +
         "</a:Address></a:EndpointReference><d:Types>dn:NetworkVideoTransmitter</d:Types>"
         "<d:Scopes>onvif://www.onvif.org/name/" +
         name + " onvif://www.onvif.org/hardware/H%201</d:Scopes><d:XAddrs>" + service +
         "</d:XAddrs></d:ProbeMatch></d:ProbeMatches></s:Body></s:Envelope>";
}

// Answers every datagram it is sent with the same datagrams, after a delay.
class StandInCamera {
 public:
  explicit StandInCamera(std::vector<QByteArray> answers, int delayMs = 0)
      : answers_(std::move(answers)) {
    socket_.bind(QHostAddress::LocalHost, 0);
    QObject::connect(&socket_, &QUdpSocket::readyRead, [this, delayMs] {
      while (socket_.hasPendingDatagrams()) {
        const QNetworkDatagram probe = socket_.receiveDatagram();
        probes.push_back(probe.data());
        QTimer::singleShot(delayMs, &socket_,
                           [this, to = probe.senderAddress(), port = probe.senderPort()] {
                             for (const QByteArray& answer : answers_)
                               socket_.writeDatagram(answer, to, port);
                           });
      }
    });
  }

  quint16 Port() const { return socket_.localPort(); }

  std::vector<QByteArray> probes;

 private:
  std::vector<QByteArray> answers_;
  QUdpSocket socket_;
};

struct Search {
  WsDiscovery discovery;
  std::vector<DiscoveredCamera> found;
  QSignalSpy finished{&discovery, &WsDiscovery::Finished};
  QSignalSpy notices{&discovery, &WsDiscovery::Notice};

  Search() {
    QObject::connect(&discovery, &WsDiscovery::Found,
                     [this](const DiscoveredCamera& camera) { found.push_back(camera); });
  }

  void Run(const QString& address, quint16 port, int durationMs = kShortSearchMs) {
    discovery.Start({false, {{QHostAddress(address), port}}}, durationMs);
    ASSERT_TRUE(finished.wait(kPatienceMs));
  }
};

TEST(WsDiscovery, ListsACameraOnceWithWhatItSaysOfItself) {
  StandInCamera camera({Answer("urn:uuid:1", "gate%20west")});
  Search search;
  search.Run(QStringLiteral("127.0.0.1"), camera.Port());

  ASSERT_EQ(search.found.size(), 1u);
  EXPECT_EQ(search.found[0].address, "127.0.0.1");
  EXPECT_EQ(search.found[0].match.name, "gate west");
  EXPECT_EQ(search.found[0].match.hardware, "H 1");
  EXPECT_EQ(search.found[0].match.serviceAddresses,
            QStringList{"http://127.0.0.1:8080/onvif/device_service"});
  EXPECT_EQ(search.notices.count(), 0);
}

TEST(WsDiscovery, AsksForEachTypeTwiceWithItsOwnMessageId) {
  StandInCamera camera({});
  Search search;
  search.Run(QStringLiteral("127.0.0.1"), camera.Port());

  ASSERT_EQ(camera.probes.size(), 4u);
  QSet<QString> ids;
  QStringList types;
  for (const QByteArray& bytes : camera.probes) {
    const std::optional<Probe> probe = ReadProbe(bytes);
    ASSERT_TRUE(probe);
    ids.insert(probe->messageId);
    types += probe->types;
  }
  EXPECT_EQ(ids.size(), 2);
  EXPECT_EQ(types.count(QStringLiteral("dn:NetworkVideoTransmitter")), 2);
  EXPECT_EQ(types.count(QStringLiteral("tds:Device")), 2);
}

TEST(WsDiscovery, KnowsCamerasByEndpointAndSkipsJunk) {
  StandInCamera camera({"junk", Answer("urn:uuid:1", "a"), Answer("urn:uuid:2", "b"),
                        Answer("urn:uuid:1", "a", "http://127.0.0.1:81/onvif/device_service")});
  Search search;
  search.Run(QStringLiteral("127.0.0.1"), camera.Port());

  ASSERT_EQ(search.found.size(), 2u);
  EXPECT_EQ(search.found[0].match.endpoint, "urn:uuid:1");
  EXPECT_EQ(search.found[1].match.endpoint, "urn:uuid:2");
}

TEST(WsDiscovery, StopsListingAtItsBound) {
  // 17 answers of 16 cameras each, all different.
  std::vector<QByteArray> answers;
  for (int datagram = 0; datagram < 17; ++datagram) {
    QByteArray matches;
    for (int i = 0; i < 16; ++i) {
      matches += "<ProbeMatch><EndpointReference><Address>urn:uuid:" +
                 QByteArray::number(datagram * 16 + i) +
                 "</Address></EndpointReference></ProbeMatch>";
    }
    answers.push_back("<Envelope><Body><ProbeMatches>" + matches +
                      "</ProbeMatches></Body></Envelope>");
  }
  StandInCamera camera(answers);
  Search search;
  search.Run(QStringLiteral("127.0.0.1"), camera.Port());

  EXPECT_EQ(search.found.size(), static_cast<std::size_t>(kMostCameras));
}

TEST(WsDiscovery, FinishesEmptyWhenNothingAnswers) {
  StandInCamera camera({Answer("urn:uuid:1", "a")});
  Search search;
  // Nothing listens at 127.0.0.2.
  search.Run(QStringLiteral("127.0.0.2"), camera.Port());

  EXPECT_TRUE(search.found.empty());
  EXPECT_TRUE(camera.probes.empty());
  EXPECT_EQ(search.finished.count(), 1);
}

TEST(WsDiscovery, IgnoresAnswersAfterTheSearch) {
  StandInCamera camera({Answer("urn:uuid:1", "late")}, kShortSearchMs + 300);
  Search search;
  search.Run(QStringLiteral("127.0.0.1"), camera.Port());
  // Long enough for the late answer to have come.
  QTest::qWait(600);

  EXPECT_TRUE(search.found.empty());
}

TEST(WsDiscovery, ANewSearchStartedFromAnAnswerRunsOnItsOwn) {
  StandInCamera camera({Answer("urn:uuid:1", "a"), Answer("urn:uuid:2", "b")});
  Search search;
  bool restarted = false;
  QObject::connect(&search.discovery, &WsDiscovery::Found, [&] {
    if (std::exchange(restarted, true)) return;
    search.discovery.Start({false, {{QHostAddress(QHostAddress::LocalHost), camera.Port()}}},
                           kShortSearchMs);
  });
  search.Run(QStringLiteral("127.0.0.1"), camera.Port());

  // The first search's second answer is dropped with it; the new one lists both.
  ASSERT_EQ(search.found.size(), 3u);
  EXPECT_EQ(search.found[1].match.endpoint, "urn:uuid:1");
  EXPECT_EQ(search.found[2].match.endpoint, "urn:uuid:2");
  EXPECT_EQ(search.finished.count(), 1);
}

}  // namespace
}  // namespace field::onvif
