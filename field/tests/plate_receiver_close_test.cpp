// Closing the plate receiver never hangs: right after it started, and with a
// client still connected (127.0.0.1 only).
#include <gtest/gtest.h>

#include <QTcpSocket>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include "PlateReceiver.h"

namespace field {
namespace {

constexpr int kWaitMs = 10000;

PlateListenSettings Loopback() {
  PlateListenSettings settings;
  settings.host = QStringLiteral("127.0.0.1");
  return settings;
}

// Runs `work` on a thread of its own; false when it has not finished within
// `limit`. A hung thread is left behind: the test has failed by then.
bool FinishesWithin(std::chrono::seconds limit, std::function<void()> work) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  std::thread([work = std::move(work), done] {
    work();
    done->set_value();
  }).detach();
  return finished.wait_for(limit) == std::future_status::ready;
}

TEST(PlateReceiverClose, StartedAndDestroyedAThousandTimes) {
  int started = 0;
  EXPECT_TRUE(FinishesWithin(std::chrono::seconds(120), [&] {
    for (int round = 0; round < 1000; ++round) {
      PlateReceiver receiver(Loopback());
      QString error;
      started += receiver.Start(error) ? 1 : 0;
    }
  }));
  EXPECT_EQ(started, 1000);
}

struct ConnectedClient {
  const char* name;
  QByteArray sent;
  bool answeredBeforeClose;
};

class ClosedWithAClientTest : public testing::TestWithParam<ConnectedClient> {};

TEST_P(ClosedWithAClientTest, DoesNotHang) {
  bool connected = false;
  EXPECT_TRUE(FinishesWithin(std::chrono::seconds(30), [&] {
    auto receiver = std::make_unique<PlateReceiver>(Loopback(), 1);
    QString error;
    if (!receiver->Start(error)) return;
    QTcpSocket client;
    client.connectToHost(QStringLiteral("127.0.0.1"), receiver->Port());
    connected = client.waitForConnected(kWaitMs);
    client.write(GetParam().sent);
    client.waitForBytesWritten(kWaitMs);
    if (GetParam().answeredBeforeClose) client.waitForReadyRead(kWaitMs);
    receiver.reset();
  }));
  EXPECT_TRUE(connected);
}

INSTANTIATE_TEST_SUITE_P(
    Clients, ClosedWithAClientTest,
    testing::Values(
        ConnectedClient{"Silent", {}, false},
        ConnectedClient{"HalfARequest", "POST /plates HTTP/1.1\r\nHost: 127.0.0.1\r\n", false},
        ConnectedClient{"KeptAlive", "GET /plates HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace field
