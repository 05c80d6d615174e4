#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "PlateNotification.h"
#include "SoapAnswer.h"

// A PullMessages answer mapped to plates: every plate raised names a plate,
// with a confidence between 0 and 1.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const field::onvif::SoapAnswer answer = field::onvif::ReadSoapAnswer(bytes);
  if (!answer.error.isEmpty()) return 0;
  for (const field::onvif::PlateNotification& plate :
       field::onvif::ReadPlateNotifications(answer.body)) {
    FuzzCheck(!plate.plate.isEmpty(), "a plate raised has a number");
    FuzzCheck(plate.confidence >= 0 && plate.confidence <= 1, "confidence within 0..1");
  }
  return 0;
}
