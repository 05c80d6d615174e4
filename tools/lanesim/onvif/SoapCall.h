#pragma once

#include <QString>

#include "XmlTree.h"

namespace lanesim::onvif {

// One request as the services see it, read by local names.
struct SoapCall {
  const field::onvif::XmlElement* header = nullptr;
  const field::onvif::XmlElement* operation = nullptr;  // the Body's first element
  QString messageId;

  QString Operation() const { return operation->name; }
  // Text of the first element of the operation so named, at any depth.
  QString Field(QStringView localName) const { return operation->TextOf(localName); }
};

}  // namespace lanesim::onvif
