#include "SoapAnswer.h"

#include "SoapEnvelope.h"

namespace field::onvif {
namespace {

QStringView LocalPart(QStringView qualified) {
  const qsizetype colon = qualified.lastIndexOf(u':');
  return colon < 0 ? qualified : qualified.mid(colon + 1);
}

std::optional<SoapFault> ReadFault(const XmlElement& body) {
  const XmlElement* fault = body.Find(u"Fault");
  if (fault == nullptr) return std::nullopt;
  SoapFault read;
  if (const XmlElement* code = fault->Child(u"Code")) {
    read.code = code->TextOf(u"Value");
    for (const XmlElement* sub = code->Child(u"Subcode"); sub != nullptr;
         sub = sub->Child(u"Subcode")) {
      if (const XmlElement* value = sub->Child(u"Value")) read.subcodes << value->text;
    }
  } else {
    read.code = fault->TextOf(u"faultcode");
  }
  if (const XmlElement* reason = fault->Child(u"Reason")) {
    read.reason = reason->TextOf(u"Text");
  } else {
    read.reason = fault->TextOf(u"faultstring");
  }
  return read;
}

}  // namespace

bool SoapFault::IsNotAuthorized() const {
  QStringList names = subcodes;
  names << code;
  for (const QString& name : names) {
    const QStringView local = LocalPart(name);
    if (local == u"NotAuthorized" || local == u"FailedAuthentication" || local == u"FailedCheck" ||
        local == u"InvalidSecurityToken") {
      return true;
    }
  }
  return false;
}

QString SoapFault::Describe() const {
  QString text = subcodes.isEmpty() ? code : subcodes.join(u'/');
  if (!reason.isEmpty()) text += QStringLiteral(": ") + reason;
  return text;
}

QString SoapAnswer::Problem() const {
  if (!error.isEmpty()) return error;
  if (fault) return QStringLiteral("SOAP fault ") + fault->Describe();
  return {};
}

SoapAnswer ReadSoapAnswer(const QByteArray& bytes, qsizetype largest) {
  SoapAnswer answer;
  std::optional<XmlElement> root = ParseXml(bytes, answer.error, largest);
  if (!root) return answer;
  const XmlElement* body = root->name == u"Envelope" ? root->Child(u"Body") : nullptr;
  if (root->name == u"Envelope" && body == nullptr) {
    answer.error = QStringLiteral("SOAP envelope without a Body");
    return answer;
  }
  answer.body = body != nullptr ? *body : std::move(*root);
  answer.fault = ReadFault(answer.body);
  return answer;
}

QByteArray EchoReferenceParameters(const XmlElement* referenceParameters) {
  if (referenceParameters == nullptr) return {};
  QByteArray echoed;
  const QXmlStreamAttribute marked(QString::fromLatin1(kAddressingNamespace),
                                   QStringLiteral("IsReferenceParameter"), QStringLiteral("true"));
  for (const XmlElement& parameter : referenceParameters->children) {
    echoed += WriteXml(parameter, marked);
  }
  return echoed;
}

}  // namespace field::onvif
