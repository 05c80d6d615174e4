#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "XmlTree.h"

namespace field::onvif {

// A SOAP 1.2 Fault (or 1.1 faultcode/faultstring) as the camera wrote it.
struct SoapFault {
  QString code;
  QStringList subcodes;  // outermost first
  QString reason;

  // The refusals cameras give a wrong user, password or token time.
  bool IsNotAuthorized() const;
  QString Describe() const;
};

struct SoapAnswer {
  // The Body element, or the whole document when it carries no envelope.
  XmlElement body;
  std::optional<SoapFault> fault;
  // Set when the bytes are no usable answer at all.
  QString error;

  bool Ok() const { return error.isEmpty() && !fault; }
  // The error or the fault, for a notice.
  QString Problem() const;
};

SoapAnswer ReadSoapAnswer(const QByteArray& bytes, qsizetype largest = kLargestAnswer);

// The header blocks that echo a pull point's reference parameters, each
// marked IsReferenceParameter; empty for null.
QByteArray EchoReferenceParameters(const XmlElement* referenceParameters);

}  // namespace field::onvif
