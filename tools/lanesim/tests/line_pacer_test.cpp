#include <gtest/gtest.h>

#include <vector>

#include "LinePacer.h"

namespace lanesim {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;
using Release = LinePacer::Release;

TEST(LinePacer, LineTimeIsTenBitsPerByte) {
  EXPECT_EQ(LinePacer(9600, Release::EachByte).LineTime(16), nanoseconds(16'666'666));
  EXPECT_EQ(LinePacer(9600, Release::EachByte).LineTime(28), nanoseconds(29'166'666));
  EXPECT_EQ(LinePacer(1200, Release::EachByte).LineTime(28), nanoseconds(233'333'333));
}

// A push, or a take and what it must give.
struct Step {
  nanoseconds at;
  bool push;
  QByteArray bytes;
};

struct PacingCase {
  const char* name;
  int baud;
  Release release;
  std::vector<Step> steps;
};

void PrintTo(const PacingCase& c, std::ostream* out) {
  *out << c.name;
}

// At 1000 baud a byte takes 10 ms.
const PacingCase kPacing[] = {
    {"BusyLineQueuesTheNextChunkIdleLineStartsAtOnce",
     1000,
     Release::WholeChunks,
     {{milliseconds(0), true, "ab"},
      {milliseconds(1), true, "c"},
      {milliseconds(20) - nanoseconds(1), false, ""},
      {milliseconds(29), false, "ab"},
      {milliseconds(30), false, "c"},
      {milliseconds(500), true, "d"},
      {milliseconds(510), false, "d"}}},
    {"BytesTrickleAcrossChunks",
     1000,
     Release::EachByte,
     {{milliseconds(0), true, "ab"},
      {milliseconds(10) - nanoseconds(1), false, ""},
      {milliseconds(10), false, "a"},
      {milliseconds(15), true, "cd"},
      {milliseconds(31), false, "bc"},
      {milliseconds(40), false, "d"}}},
    {"NoDriftOverManyBytes",
     9600,
     Release::EachByte,
     {{milliseconds(0), true, QByteArray(9600, 'x')},
      {milliseconds(10'000) - nanoseconds(1), false, QByteArray(9599, 'x')},
      {milliseconds(10'000), false, "x"}}},
};

class LinePacing : public ::testing::TestWithParam<PacingCase> {};

TEST_P(LinePacing, ReleasesAtTheLinesPace) {
  LinePacer pacer(GetParam().baud, GetParam().release);
  for (const Step& step : GetParam().steps) {
    if (step.push) {
      pacer.Push(step.at, step.bytes);
    } else {
      EXPECT_EQ(pacer.NextDue() <= step.at, !step.bytes.isEmpty()) << step.at.count() << " ns";
      EXPECT_EQ(pacer.TakeDue(step.at), step.bytes) << step.at.count() << " ns";
    }
  }
  EXPECT_FALSE(pacer.NextDue().has_value());
}

INSTANTIATE_TEST_SUITE_P(Cases, LinePacing, ::testing::ValuesIn(kPacing),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lanesim
