#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "OnvifAnswers.h"
#include "SoapAnswer.h"

// An answer from the network as the client reads it: the envelope and fault,
// then every reader a camera's answer goes through.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const field::onvif::SoapAnswer answer = field::onvif::ReadSoapAnswer(bytes);
  FuzzCheck(answer.Ok() || !answer.Problem().isEmpty(), "a refused answer says why");
  if (!answer.error.isEmpty()) return 0;
  using namespace field::onvif;
  const XmlElement& body = answer.body;
  ReadSystemDateAndTime(body);
  ReadServices(body);
  ReadCapabilities(body);
  ReadDeviceInformation(body);
  ReadRelayOutputs(body);
  ReadProfiles(body);
  ReadMediaUri(body);
  ListsTopic(body, QStringLiteral("RuleEngine/Recognition/LicensePlate"));
  ReadTopics(body);
  if (const std::optional<Subscription> subscription = ReadSubscription(body)) {
    if (subscription->referenceParameters) {
      const QByteArray echoed = EchoReferenceParameters(&*subscription->referenceParameters);
      // What is echoed must read back as XML inside a header.
      FuzzCheck(ReadSoapAnswer("<h>" + echoed + "</h>").error.isEmpty() ||
                    subscription->referenceParameters->children.empty(),
                "echoed reference parameters are well formed");
    }
  }
  return 0;
}
