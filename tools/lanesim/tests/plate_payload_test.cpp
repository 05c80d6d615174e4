#include <gtest/gtest.h>
#include <QDateTime>

#include <ctime>

#include "JsonPath.h"
#include "PlatePayload.h"

namespace lanesim {
namespace {

using testing::At;

constexpr std::int32_t kCaptureTime = 1'796'697'228;  // 2026-12-08T02:33:48Z

const virtual_lane::PlateEvent& Event() {
  static const virtual_lane::PlateEvent event{
      QStringLiteral("粤B12345"), QStringLiteral("蓝"), {}, {}, 0.97F, kCaptureTime};
  return event;
}

PlatePayload Make(PushFormat format) {
  return MakePayload(Event(), format, QStringLiteral("127.0.0.1"),
                     QUrl(QStringLiteral("http://127.0.0.1:8080/plates")));
}

// The plate and the pictures are checked on the wire, in lanesim_push_test.
TEST(PlatePayload, EachFormatCarriesTheEventWhereItsReaderLooks) {
  const struct {
    PushFormat format;
    const char* path;
    QJsonValue expected;
  } cases[] = {
      {PushFormat::Console, "camera", "127.0.0.1"},
      {PushFormat::Console, "color", "蓝"},
      {PushFormat::Console, "confidence", 0.97},
      {PushFormat::OpenAlpr, "data_type", "alpr_group"},
      {PushFormat::OpenAlpr, "best_confidence", 97},
      {PushFormat::OpenAlpr, "best_plate/plate", "粤B12345"},
      {PushFormat::OpenAlpr, "best_plate/confidence", 97},
      {PushFormat::OpenAlpr, "camera_id", 1},
      {PushFormat::OpenAlpr, "epoch_start", 1'796'697'228'000.0},
      {PushFormat::PlateRecognizer, "hook/target", "http://127.0.0.1:8080/plates"},
      {PushFormat::PlateRecognizer, "hook/event", "recognition"},
      {PushFormat::PlateRecognizer, "data/camera_id", "127.0.0.1"},
      {PushFormat::PlateRecognizer, "data/timestamp", "2026-12-08T02:33:48.000Z"},
      {PushFormat::PlateRecognizer, "data/results/0/score", 0.97},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(At(Make(c.format).json, QString::fromLatin1(c.path)), c.expected);
  }
}

// POSIX zones need no zone files; their sign is the opposite of ISO 8601's.
class Zone {
 public:
  explicit Zone(const char* zone) : saved_(qgetenv("TZ")) { Set(zone); }
  ~Zone() { saved_.isNull() ? Unset() : Set(saved_); }

 private:
  static void Set(const QByteArray& zone) {
    qputenv("TZ", zone);
    tzset();
  }
  static void Unset() {
    qunsetenv("TZ");
    tzset();
  }
  QByteArray saved_;
};

TEST(PlatePayload, ConsoleTimeIsLocalWithItsOffsetInDigits) {
  const struct {
    const char* zone;
    const char* time;
  } cases[] = {
      {"CST-8", "2026-12-08T10:33:48+08:00"},
      {"UTC0", "2026-12-08T02:33:48+00:00"},
      {"<-0330>3:30", "2026-12-07T23:03:48-03:30"},
  };
  for (const auto& c : cases) {
    const Zone zone(c.zone);
    EXPECT_EQ(At(Make(PushFormat::Console).json, QStringLiteral("time")),
              QString::fromLatin1(c.time))
        << c.zone;
  }
}

}  // namespace
}  // namespace lanesim
