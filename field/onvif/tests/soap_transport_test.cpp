#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <optional>

#include "PictureFetch.h"
#include "RunEventLoop.h"
#include "SoapTransport.h"

namespace field::onvif {
namespace {

constexpr int kPatienceMs = 10000;

// An HTTP server on 127.0.0.1 that records each request and answers it as
// the test says; an empty answer leaves the request hanging.
class ScriptedServer {
 public:
  explicit ScriptedServer(std::function<QByteArray(int, const QByteArray&)> answer)
      : answer_(std::move(answer)) {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      QTcpSocket* socket = server_.nextPendingConnection();
      auto buffer = std::make_shared<QByteArray>();
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
        *buffer += socket->readAll();
        const qsizetype end = buffer->indexOf("\r\n\r\n");
        if (end < 0) return;
        const QByteArray head = buffer->left(end);
        const qsizetype at = head.toLower().indexOf("content-length:");
        const qsizetype length =
            at < 0 ? 0 : head.mid(at + 15, head.indexOf('\r', at) - at - 15).trimmed().toLongLong();
        if (buffer->size() < end + 4 + length) return;
        requests_ << buffer->left(end + 4 + length);
        buffer->remove(0, end + 4 + length);
        const QByteArray reply = answer_(static_cast<int>(requests_.size()), requests_.last());
        if (!reply.isEmpty()) socket->write(reply);
      });
    });
  }

  QUrl Url() const {
    return QUrl(
        QStringLiteral("http://127.0.0.1:%1/onvif/device_service").arg(server_.serverPort()));
  }
  const QList<QByteArray>& Requests() const { return requests_; }

 private:
  QTcpServer server_;
  std::function<QByteArray(int, const QByteArray&)> answer_;
  QList<QByteArray> requests_;
};

QByteArray Http(const QByteArray& status, const QByteArray& body, const QByteArray& extra = {}) {
  return "HTTP/1.1 " + status + "\r\nContent-Type: application/soap+xml\r\nContent-Length: " +
         QByteArray::number(body.size()) + "\r\n" + extra + "\r\n" + body;
}

const QByteArray kOk = "<Envelope><Body><R>1</R></Body></Envelope>";

std::optional<SoapResult> Send(SoapTransport& transport, const QUrl& url, int timeoutMs = 5000) {
  std::optional<SoapResult> result;
  SoapCall call;
  call.url = url;
  call.body = "<X xmlns=\"urn:x\"/>";
  call.action = "urn:x/X";
  call.timeoutMs = timeoutMs;
  transport.Send(call, [&](const SoapResult& r) { result = r; });
  RunEventLoopUntil([&] { return result.has_value(); }, kPatienceMs);
  return result;
}

TEST(SoapTransport, DigestAfterA401ReplacesTheTokenForTheSession) {
  ScriptedServer server([](int n, const QByteArray& request) {
    if (!request.contains("Authorization: Digest")) {
      return Http("401 Unauthorized", {},
                  "WWW-Authenticate: Digest realm=\"cam\", qop=\"auth\", nonce=\"n1\", "
                  "algorithm=MD5\r\nWWW-Authenticate: Digest realm=\"cam\", qop=\"auth\", "
                  "nonce=\"n2\", algorithm=SHA-256\r\n");
    }
    return n > 0 ? Http("200 OK", kOk) : QByteArray();
  });
  SoapTransport transport;
  transport.SetCredentials({"admin", "pw"});
  ASSERT_TRUE(Send(transport, server.Url())->answer.Ok());
  ASSERT_TRUE(Send(transport, server.Url())->answer.Ok());
  const QList<QByteArray>& requests = server.Requests();
  ASSERT_EQ(requests.size(), 3);
  EXPECT_TRUE(requests[0].contains("<UsernameToken>"));
  EXPECT_FALSE(requests[0].contains("Authorization:"));
  for (int i : {1, 2}) {
    EXPECT_TRUE(requests[i].contains("algorithm=SHA-256")) << requests[i].toStdString();
    EXPECT_TRUE(requests[i].contains("nonce=\"n2\""));
    EXPECT_FALSE(requests[i].contains("UsernameToken")) << "never both at once";
  }
  EXPECT_TRUE(requests[2].contains("nc=00000002"));
  EXPECT_TRUE(transport.UsesHttpDigest());
}

TEST(SoapTransport, RefusalsAndBadAnswers) {
  const struct {
    const char* name;
    QByteArray answer;
    int timeoutMs;
    bool refused;
    const char* problem;
  } cases[] = {
      {"digestRefusedAgain",
       Http("401 Unauthorized", {}, "WWW-Authenticate: Digest realm=\"c\", nonce=\"n\"\r\n"), 5000,
       true, "refused the user name or password"},
      {"faultNotAuthorized",
       Http("400 Bad Request",
            "<Envelope><Body><Fault><Code><Value>Sender</Value><Subcode><Value>ter:NotAuthorized"
            "</Value></Subcode></Code></Fault></Body></Envelope>"),
       5000, true, "NotAuthorized"},
      {"oversized", Http("200 OK", QByteArray(1024 * 1024 + 1, 'x')), 5000, false,
       "larger than 1048576"},
      {"silent", {}, 300, false, "no answer within 300 ms"},
      {"notSoap", Http("500 Internal Server Error", "oops"), 5000, false, "HTTP status 500"},
      {"malformed", Http("200 OK", "<Envelope><Body>"), 5000, false, "malformed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server([&](int, const QByteArray&) { return c.answer; });
    SoapTransport transport;
    transport.SetCredentials({"admin", "pw"});
    const std::optional<SoapResult> result = Send(transport, server.Url(), c.timeoutMs);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->refused, c.refused);
    EXPECT_TRUE(result->answer.Problem().contains(QLatin1String(c.problem)))
        << result->answer.Problem().toStdString();
    EXPECT_FALSE(result->answer.Problem().contains(QLatin1String("pw")));
  }
}

TEST(SoapTransport, TokenCreatedInTheCameraClock) {
  ScriptedServer server([](int, const QByteArray&) { return Http("200 OK", kOk); });
  SoapTransport transport;
  transport.SetCredentials({"admin", "pw"});
  transport.SetClockOffsetMs(-3LL * 3600 * 1000);
  const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-3 * 3600);
  ASSERT_TRUE(Send(transport, server.Url())->answer.Ok());
  const QByteArray& request = server.Requests().front();
  const qsizetype at = request.indexOf("wssecurity-utility-1.0.xsd\">") + 28;
  const QDateTime created =
      QDateTime::fromString(QString::fromLatin1(request.mid(at, 24)), Qt::ISODateWithMs);
  EXPECT_GE(created, before.addSecs(-1)) << request.mid(at, 24).toStdString();
  EXPECT_LE(created, before.addSecs(5));
}

TEST(PictureFetch, BasicAsAskedAndFailuresNamed) {
  const QByteArray jpeg("\xFF\xD8\xFF\xD9", 4);
  ScriptedServer server([&](int, const QByteArray& request) {
    if (request.startsWith("GET /missing")) return Http("404 Not Found", {});
    // base64("admin:pw")
    if (!request.contains("Authorization: Basic YWRtaW46cHc=")) {
      return Http("401 Unauthorized", {}, "WWW-Authenticate: Basic realm=\"cam\"\r\n");
    }
    return Http("200 OK", jpeg);
  });
  PictureFetch fetch;
  fetch.SetCredentials({"admin", "pw"});
  const auto get = [&](const char* path) {
    std::optional<std::pair<QByteArray, QString>> got;
    fetch.Fetch(server.Url().resolved(QUrl(QLatin1String(path))),
                [&](const QByteArray& bytes, const QString& error) {
                  got = {bytes, error};
                });
    RunEventLoopUntil([&] { return got.has_value(); }, kPatienceMs);
    return got.value_or(std::pair<QByteArray, QString>{{}, QStringLiteral("no result")});
  };
  EXPECT_EQ(get("/p/1.jpg"), std::make_pair(jpeg, QString()));
  EXPECT_EQ(get("/missing.jpg"), std::make_pair(QByteArray(), QStringLiteral("HTTP status 404")));
}

}  // namespace
}  // namespace field::onvif
