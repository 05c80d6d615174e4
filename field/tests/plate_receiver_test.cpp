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

#include "FieldCamera.h"
#include "PlateReceiver.h"

namespace field {
namespace {

constexpr int kWaitMs = 20000;

std::string Jpeg(QColor colour) {
  QImage image(64, 32, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG");
  return bytes.toStdString();
}

std::string Base64(const std::string& bytes) {
  return QByteArray::fromStdString(bytes).toBase64().toStdString();
}

struct RaisedPlate {
  QString ip;
  QString number;
  QString color;
  std::string scene;
  std::string closeup;
  float confidence;
};

// The receiver behind a camera, as the console wires them.
class PlateLane {
 public:
  explicit PlateLane(QString token = {}, int timeoutSeconds = 10)
      : receiver_(Settings(std::move(token)), timeoutSeconds),
        camera_(std::nullopt, nullptr, &receiver_) {
    QString error;
    started_ = receiver_.Start(error);
    QObject::connect(
        &camera_, &FieldCamera::OnZELIPCSDKPlate,
        [this](const QString& ip, const QString& number, const QString& color,
               const std::uint8_t* scene, std::int32_t sceneLength, const std::uint8_t* closeup,
               std::int32_t closeupLength, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
               float confidence, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
          plates.push_back(
              {ip, number, color, std::string(reinterpret_cast<const char*>(scene), sceneLength),
               std::string(reinterpret_cast<const char*>(closeup), closeupLength), confidence});
          if (handling) handling();
        });
    QObject::connect(&camera_, &FieldCamera::Notice,
                     [this](const QString& text) { notices << text; });
  }

  bool Started() const { return started_; }
  httplib::Client Client() const { return httplib::Client("127.0.0.1", receiver_.Port()); }
  quint16 Port() const { return receiver_.Port(); }
  bool WaitForPlates(std::size_t count) {
    return QTest::qWaitFor([&] { return plates.size() >= count; }, kWaitMs);
  }

  std::vector<RaisedPlate> plates;
  QStringList notices;
  std::function<void()> handling;

 private:
  static PlateListenSettings Settings(QString token) {
    PlateListenSettings settings;
    settings.host = QStringLiteral("127.0.0.1");
    settings.token = std::move(token);
    return settings;
  }

  PlateReceiver receiver_;
  FieldCamera camera_;
  bool started_ = false;
};

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
  if (GetParam().status == 400) EXPECT_EQ(lane.notices.size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, RefusedRequestTest,
    testing::Values(
        RefusedCase{"NotJson", "application/json", "{\"plate\": ", 400},
        RefusedCase{"NoPlate", "application/json", R"({"camera": "192.168.1.100"})", 400},
        RefusedCase{"BadBase64", "application/json", R"({"plate": "粤B1", "scene_jpeg": "%%%"})",
                    400},
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
