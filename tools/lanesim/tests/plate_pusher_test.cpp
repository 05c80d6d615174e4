#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <functional>

#include "LaneSimProcess.h"
#include "PlatePusher.h"
#include "RecordingReceiver.h"

QT_BEGIN_NAMESPACE
void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace lanesim::testing {
namespace {

// Runs the event loop until `done`, or until patience runs out.
bool Eventually(const std::function<bool()>& done) {
  const QDeadlineTimer deadline(kPatienceMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QTest::qWait(20);
  }
  return true;
}

PlatePayload Payload(const QString& plate) {
  return {R"({"plate":")" + plate.toUtf8() + R"("})", {}};
}

TEST(PlatePusher, RetriesOnlyA503WithRetryAfterAndAtMostThreeTimes) {
  const struct {
    const char* name;
    std::deque<Answer> script;
    QStringList outcomes;
  } cases[] = {
      {"accepted", {}, {"200"}},
      {"busy once", {{503, "0"}}, {"503 (retry after 0 s)", "200"}},
      {"busy for good",
       {{503, "0"}, {503, "0"}, {503, "0"}},
       {"503 (retry after 0 s)", "503 (retry after 0 s)", "503 (gave up after 3 tries)"}},
      {"busy, no time said", {{503, {}}}, {"503"}},
      {"refused with a time", {{500, "0"}}, {"500"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingReceiver receiver(c.script);
    PlatePusher pusher(QUrl(receiver.Url()));
    QStringList notes;
    QObject::connect(&pusher, &PlatePusher::Note, [&](const QString& note) { notes << note; });
    pusher.Push(QStringLiteral("粤B12345"), Payload(QStringLiteral("粤B12345")));
    ASSERT_TRUE(Eventually([&] { return notes.size() >= c.outcomes.size(); }));
    QTest::qWait(200);

    QStringList expected;
    for (const QString& outcome : c.outcomes) {
      expected << QStringLiteral("lanesim: pushed 粤B12345 to %1: %2").arg(receiver.Url(), outcome);
    }
    EXPECT_EQ(notes, expected);
    EXPECT_EQ(receiver.Requests().size(), static_cast<std::size_t>(c.outcomes.size()));
  }
}

TEST(PlatePusher, NoReceiverIsReportedAndTheNextPlateStillGoes) {
  QTcpServer closed;
  ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
  const QString url = QStringLiteral("http://127.0.0.1:%1/plates").arg(closed.serverPort());
  closed.close();

  PlatePusher pusher{QUrl(url)};
  QSignalSpy notes(&pusher, &PlatePusher::Note);
  pusher.Push(QStringLiteral("A1"), Payload(QStringLiteral("A1")));
  pusher.Push(QStringLiteral("A2"), Payload(QStringLiteral("A2")));
  ASSERT_TRUE(Eventually([&] { return notes.size() == 2; }));
  EXPECT_EQ(notes[0][0].toString(),
            QStringLiteral("lanesim: pushed A1 to %1: failed (Connection refused)").arg(url));
  EXPECT_TRUE(notes[1][0].toString().startsWith(QStringLiteral("lanesim: pushed A2 ")));
}

// While the receiver is busy with the first plate, the next ones wait their
// turn, the oldest giving way once sixteen wait.
TEST(PlatePusher, SendsOneAtATimeInOrderKeepingSixteenWaiting) {
  RecordingReceiver receiver;
  receiver.Hold();
  PlatePusher pusher(QUrl(receiver.Url()));
  QStringList notes;
  QObject::connect(&pusher, &PlatePusher::Note, [&](const QString& note) { notes << note; });
  QStringList plates;
  for (int car = 0; car < 20; ++car) {
    plates << QStringLiteral("P%1").arg(car, 2, 10, QLatin1Char('0'));
    pusher.Push(plates.back(), Payload(plates.back()));
  }
  ASSERT_TRUE(Eventually([&] { return !receiver.Requests().empty(); }));
  QTest::qWait(500);
  EXPECT_EQ(receiver.Requests().size(), 1U);
  receiver.Release();

  const QStringList sent = QStringList{plates[0]} + plates.mid(4);
  ASSERT_TRUE(Eventually([&] { return notes.size() == 3 + sent.size(); }));
  for (int dropped = 1; dropped <= 3; ++dropped) {
    EXPECT_EQ(
        notes[dropped - 1],
        QStringLiteral("lanesim: dropped %1, 16 pushes already waiting").arg(plates[dropped]));
  }
  QStringList received;
  for (const ReceivedRequest& request : receiver.Requests()) {
    received << QString::fromUtf8(request.body).section('"', 3, 3);
  }
  EXPECT_EQ(received, sent);
}

}  // namespace
}  // namespace lanesim::testing
