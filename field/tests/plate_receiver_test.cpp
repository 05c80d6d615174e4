// Plates pushed over HTTP on 127.0.0.1: each format raised as the plate event,
// every refusal with its status, slow and oversized clients, and a flood.
#include <gtest/gtest.h>
#include <httplib.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "PlateLane.h"

namespace field {
namespace {

const std::string kScene = Jpeg(Qt::darkGreen);
const std::string kCloseup = Jpeg(Qt::blue);

TEST(PlateReceiver, TheConsoleFormatIsRaisedAsThePlateEvent) {
  PlateLane lane;
  ASSERT_TRUE(lane.Started());
  const std::string body = R"({"camera": "192.168.1.100", "plate": "粤B12345", "color": "蓝",
      "time": "2026-12-08T10:33:48.123+08:00", "confidence": 0.97, "scene_jpeg": ")" +
                           Base64(kScene) + R"(", "closeup_jpeg": ")" + Base64(kCloseup) + "\"}";

  const auto answer = lane.Client().Post("/plates", body, "application/json");

  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, 200);
  ASSERT_TRUE(lane.WaitForPlates(1));
  const RaisedPlate& plate = lane.plates[0];
  EXPECT_EQ(plate.ip, QStringLiteral("192.168.1.100"));
  EXPECT_EQ(plate.number, QStringLiteral("粤B12345"));
  EXPECT_EQ(plate.color, QStringLiteral("蓝"));
  EXPECT_EQ(plate.scene, kScene);
  EXPECT_EQ(plate.closeup, kCloseup);
  EXPECT_FLOAT_EQ(plate.confidence, 0.97F);
}

TEST(PlateReceiver, MultipartPlatesCarryTheirPicturesAsFileParts) {
  PlateLane lane;
  ASSERT_TRUE(lane.Started());
  const httplib::MultipartFormDataItems console = {
      {"json", R"({"plate": "粤B54321", "color": "黄"})", "", "application/json"},
      {"scene", kScene, "scene.jpg", "image/jpeg"},
      {"closeup", kCloseup, "closeup.jpg", "image/jpeg"}};
  const httplib::MultipartFormDataItems engine = {
      {"json",
       R"({"hook": {"target": "http://127.0.0.1/plates", "id": 1, "event": "recognition"},
           "data": {"camera_id": "cam-east", "timestamp": "2026-12-08T02:33:48.123456Z",
                    "results": [{"plate": "abc123", "score": 0.6}, {"plate": "abd123", "score": 0.9}]}})",
       "", "application/json"},
      {"upload", kScene, "car.jpg", "image/jpeg"}};

  for (const auto& items : {console, engine}) {
    const auto answer = lane.Client().Post("/plates", items);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200) << answer->body;
  }

  ASSERT_TRUE(lane.WaitForPlates(2));
  EXPECT_EQ(lane.plates[0].number, QStringLiteral("粤B54321"));
  EXPECT_EQ(lane.plates[0].ip, QStringLiteral("127.0.0.1")) << "no camera named: the sender";
  EXPECT_EQ(lane.plates[0].scene, kScene);
  EXPECT_EQ(lane.plates[0].closeup, kCloseup);
  EXPECT_EQ(lane.plates[1].number, QStringLiteral("abd123"));
  EXPECT_EQ(lane.plates[1].scene, kScene);
  EXPECT_TRUE(lane.plates[1].closeup.empty());
}

struct RefusedCase {
  const char* name;
  std::string contentType;
  std::string body;
  int status;
};

class RefusedRequestTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedRequestTest, GetsItsStatusAndRaisesNoPlate) {
  PlateLane lane;
  ASSERT_TRUE(lane.Started());

  const auto answer = lane.Client().Post("/plates", GetParam().body, GetParam().contentType);

  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, GetParam().status) << answer->body;
  EXPECT_EQ(std::count(answer->body.begin(), answer->body.end(), '\n'), 1) << answer->body;
  QTest::qWait(200);
  EXPECT_TRUE(lane.plates.empty());
  if (GetParam().status == 400) {
    EXPECT_EQ(lane.notices.size(), 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, RefusedRequestTest,
    testing::Values(
        RefusedCase{"NotJson", "application/json", "{\"plate\": ", 400},
        RefusedCase{"NoPlate", "application/json", R"({"camera": "192.168.1.100"})", 400},
        RefusedCase{"NoPlateInGroup", "application/json", R"({"data_type": "alpr_group"})", 400},
        RefusedCase{"WrongContentType", "text/plain", R"({"plate": "粤B1"})", 400},
        RefusedCase{"TruncatedMultipart", "multipart/form-data; boundary=xyz",
                    "--xyz\r\nContent-Disposition: form-data; name=\"json\"\r\n\r\n{\"plate\"",
                    400}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlateReceiver, AWrongOrMissingTokenIs401) {
  PlateLane lane(QStringLiteral("s3cret"));
  ASSERT_TRUE(lane.Started());
  const std::string body = R"({"plate": "粤B12345"})";

  httplib::Client client = lane.Client();
  EXPECT_EQ(client.Post("/plates", body, "application/json")->status, 401);
  EXPECT_EQ(
      client.Post("/plates", {{"Authorization", "Bearer wrong"}}, body, "application/json")->status,
      401);
  EXPECT_EQ(client.Post("/plates", {{"Authorization", "Bearer s3cret"}}, body, "application/json")
                ->status,
            200);
  EXPECT_EQ(client.Post("/plates?token=s3cret", body, "application/json")->status, 200);
  ASSERT_TRUE(lane.WaitForPlates(2));
}

// A raw client: what it sends, then the first line of the answer, if any.
QByteArray RawRequest(quint16 port, const QByteArray& request, int waitMs) {
  QTcpSocket socket;
  socket.connectToHost(QStringLiteral("127.0.0.1"), port);
  if (!socket.waitForConnected(kWaitMs)) return {};
  socket.write(request);
  socket.waitForBytesWritten(kWaitMs);
  QByteArray answer;
  QElapsedTimer clock;
  clock.start();
  while (!answer.contains('\n') && clock.elapsed() < waitMs &&
         socket.state() == QAbstractSocket::ConnectedState) {
    socket.waitForReadyRead(100);
    answer += socket.readAll();
  }
  return answer.left(answer.indexOf('\n'));
}

TEST(PlateReceiver, AnOversizedBodyIs413WithoutBeingRead) {
  PlateLane lane;
  ASSERT_TRUE(lane.Started());
  // Claims 100 MB and sends none of it: the answer comes from the headers alone.
  const QByteArray head =
      "POST /plates HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
      "Content-Length: 104857600\r\n\r\n";

  EXPECT_TRUE(RawRequest(lane.Port(), head, 5000).startsWith("HTTP/1.1 413"));
  EXPECT_TRUE(lane.plates.empty());
}

TEST(PlateReceiver, AClientThatStopsHalfWayIsDroppedAtTheTimeOut) {
  PlateLane lane(QString(), 1);
  ASSERT_TRUE(lane.Started());
  QTcpSocket socket;
  socket.connectToHost(QStringLiteral("127.0.0.1"), lane.Port());
  ASSERT_TRUE(socket.waitForConnected(kWaitMs));
  socket.write("POST /plates HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Le");
  socket.waitForBytesWritten(kWaitMs);

  EXPECT_TRUE(socket.waitForDisconnected(10000));
  EXPECT_TRUE(lane.plates.empty());
}

TEST(PlateReceiver, AFloodIsAnsweredAndEveryAcceptedPlateShownInOrder) {
  PlateLane lane;
  ASSERT_TRUE(lane.Started());
  lane.handling = [] { QThread::msleep(750); };  // the plate handler's pauses
  constexpr int kClients = 4;
  constexpr int kPlatesEach = 13;
  std::mutex mutex;
  std::vector<QString> accepted;
  std::map<int, int> statuses;
  std::atomic<int> finished = 0;
  std::vector<std::thread> clients;
  for (int client = 0; client < kClients; ++client) {
    clients.emplace_back([&, client] {
      httplib::Client http("127.0.0.1", lane.Port());
      for (int plate = 0; plate < kPlatesEach; ++plate) {
        const QString number = QStringLiteral("粤B%1%2").arg(client).arg(plate, 3, 10, QChar('0'));
        const std::string body = R"({"plate": ")" + number.toStdString() + R"(", "scene_jpeg": ")" +
                                 Base64(kScene) + "\"}";
        // The queue's order is the order the answers were given in.
        const std::lock_guard lock(mutex);
        const auto answer = http.Post("/plates", body, "application/json");
        const int status = answer ? answer->status : -1;
        ++statuses[status];
        if (status == 200) accepted.push_back(number);
      }
      ++finished;
    });
  }
  // The GUI thread shows plates, 750 ms each, while the clients post.
  const bool allPosted = QTest::qWaitFor([&] { return finished == kClients; }, 120000);
  for (auto& client : clients) client.join();
  ASSERT_TRUE(allPosted);

  EXPECT_EQ(statuses[200] + statuses[503], kClients * kPlatesEach);
  EXPECT_GE(statuses[200], static_cast<int>(PlateReceiver::kMaxWaitingPlates));
  ASSERT_TRUE(QTest::qWaitFor([&] { return lane.plates.size() >= accepted.size(); }, 60000));
  QTest::qWait(1000);
  std::vector<QString> shown;
  for (const RaisedPlate& plate : lane.plates) shown.push_back(plate.number);
  EXPECT_EQ(shown, accepted);
}

TEST(PlateReceiver, AHeartbeatIsAQuiet200AndEachAgentIsNamedOnce) {
  PlateLane lane;
  ASSERT_TRUE(lane.Started());
  httplib::Client client = lane.Client();
  for (const char* agent : {"agent-7", "agent-7", "agent-8", "agent-7"}) {
    const std::string body = std::string(R"({"data_type": "heartbeat", "agent_uid": ")") + agent +
                             R"(", "cpu_cores": 8})";
    const auto answer = client.Post("/plates", body, "application/json");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(answer->body, "heartbeat\n");
  }
  QTest::qWait(200);
  EXPECT_TRUE(lane.plates.empty());
  EXPECT_EQ(lane.notices, QStringList({QStringLiteral("OpenALPR 引擎 agent-7 在线"),
                                       QStringLiteral("OpenALPR 引擎 agent-8 在线")}));
}

TEST(PlateReceiver, ASenderInventingAgentsAnnouncesABoundedNumber) {
  PlateLane lane;
  ASSERT_TRUE(lane.Started());
  httplib::Client client = lane.Client();
  const int agents = static_cast<int>(PlateReceiver::kMostAgentsAnnounced) + 10;
  for (int agent = 0; agent < agents; ++agent) {
    const std::string body =
        R"({"data_type": "heartbeat", "agent_uid": "a)" + std::to_string(agent) + R"("})";
    const auto answer = client.Post("/plates", body, "application/json");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
  }
  QTest::qWait(200);
  EXPECT_EQ(lane.notices.size(), static_cast<qsizetype>(PlateReceiver::kMostAgentsAnnounced));
}

TEST(PlateReceiver, APictureThatIsNoBase64CostsOnlyThePictureWithOneNotice) {
  PlateLane lane;
  ASSERT_TRUE(lane.Started());
  const std::string body = R"({"data_type": "alpr_group", "best_plate_number": "D2651BF",
      "vehicle_crop_jpeg": "...base64 jpeg data...",
      "best_plate": {"plate": "D2651BF", "plate_crop_jpeg": ")" +
                           Base64(kCloseup) + "\"}}";

  const auto answer = lane.Client().Post("/plates", body, "application/json");

  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, 200);
  ASSERT_TRUE(lane.WaitForPlates(1));
  EXPECT_EQ(lane.plates[0].number, QStringLiteral("D2651BF"));
  EXPECT_TRUE(lane.plates[0].scene.empty());
  EXPECT_EQ(lane.plates[0].closeup, kCloseup);
  EXPECT_EQ(lane.notices,
            QStringList{QStringLiteral(
                R"(127.0.0.1 的车牌缺图片: "vehicle_crop_jpeg" is not valid base64)")});
}

// A camera's own web server on 127.0.0.1, counting what it is asked for.
class PictureServer {
 public:
  PictureServer() {
    server_.Get("/snap.jpg", [this](const httplib::Request&, httplib::Response& response) {
      ++asked;
      response.set_content(kScene, "image/jpeg");
    });
    server_.Get("/huge.jpg", [this](const httplib::Request&, httplib::Response& response) {
      ++asked;
      response.set_content(std::string(8 * 1024 * 1024 + 1, 'x'), "image/jpeg");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~PictureServer() {
    server_.stop();
    thread_.join();
  }
  int Port() const { return port_; }
  std::atomic<int> asked = 0;

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

TEST(PlateReceiver, PicturesByUrlComeOnlyFromTheSender) {
  PictureServer camera;
  QString error;
  const auto mapping = ParsePlateFormatMapping(
      R"({"name": "by url", "body": "json", "when": "/lp", "plate": "/lp",
          "scene": {"url": "/scene"}})",
      QStringLiteral("url.json"), error);
  ASSERT_TRUE(mapping) << error.toStdString();
  PlateLane lane(QString(), 10, {*mapping});
  ASSERT_TRUE(lane.Started());
  const auto post = [&](const char* plate, const QString& url) {
    const std::string body = std::string(R"({"lp": ")") + plate + R"(", "scene": ")" +
                             url.arg(camera.Port()).toStdString() + "\"}";
    const auto answer = lane.Client().Post("/plates", body, "application/json");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200) << answer->body;
  };

  post("A1", QStringLiteral("http://127.0.0.1:%1/snap.jpg"));
  // Nothing is ever sent to another host, whatever the message says.
  post("A2", QStringLiteral("http://127.0.0.2:%1/snap.jpg"));
  post("A3", QStringLiteral("http://127.0.0.1:%1/huge.jpg"));

  ASSERT_TRUE(lane.WaitForPlates(3));
  EXPECT_EQ(lane.plates[0].scene, kScene);
  EXPECT_TRUE(lane.plates[1].scene.empty());
  EXPECT_TRUE(lane.plates[2].scene.empty());
  EXPECT_EQ(camera.asked, 2);
  const QString port = QString::number(camera.Port());
  EXPECT_EQ(lane.notices,
            QStringList({QStringLiteral("127.0.0.1 的车牌缺图片: \"/scene\" http://127.0.0.2:%1/"
                                        "snap.jpg is not on the sender 127.0.0.1: not fetched")
                             .arg(port),
                         QStringLiteral("127.0.0.1 的车牌缺图片: \"/scene\" http://127.0.0.1:%1/"
                                        "huge.jpg: larger than 8388608 bytes")
                             .arg(port)}));
}

#if defined(__linux__)
// Nice values of this process's threads, from the scheduler's own account.
std::multiset<int> ThreadNiceValues() {
  std::multiset<int> values;
  for (const QString& task :
       QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(task));
    if (!stat.open(QIODevice::ReadOnly)) continue;
    // The name in brackets may hold spaces; the fields after it do not.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    values.insert(fields.value(16).toInt());  // the nineteenth field of the line
  }
  return values;
}

TEST(PlateReceiver, ItsThreadsLeaveTheProcessorToTheWindow) {
  const int window = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  const int behind = std::min(window + 10, 19);
  ASSERT_LT(window, behind) << "already as nice as a thread can be";
  const auto before = ThreadNiceValues();
  PlateLane lane;
  ASSERT_TRUE(lane.Started());
  const auto answer = lane.Client().Post("/plates", R"({"plate": "粤B1"})", "application/json");
  ASSERT_TRUE(answer);
  ASSERT_TRUE(lane.WaitForPlates(1));

  const auto after = ThreadNiceValues();
  // The listener and the worker that answered, at least; this thread is untouched.
  EXPECT_GE(after.count(behind), before.count(behind) + 2);
  EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), window);
}
#endif

}  // namespace
}  // namespace field
