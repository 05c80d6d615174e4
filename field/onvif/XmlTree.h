#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QXmlStreamAttribute>
#include <optional>
#include <utility>
#include <vector>

namespace field::onvif {

// An element of an answer from the network, known by its local name: firmware
// differs in prefixes and in where it declares namespaces (some declare none),
// never in local names. The namespace is kept only to echo elements back.
struct XmlElement {
  QString name;
  QString namespaceUri;
  std::vector<std::pair<QString, QString>> attributes;  // local name, value
  QString text;                                         // direct text, trimmed
  std::vector<XmlElement> children;

  const XmlElement* Child(QStringView localName) const;
  // Depth first, this element first.
  const XmlElement* Find(QStringView localName) const;
  std::vector<const XmlElement*> FindAll(QStringView localName) const;
  // Follows direct children, one local name a step; null when a step is missing.
  const XmlElement* Path(std::initializer_list<QStringView> localNames) const;
  QString Attribute(QStringView localName) const;
  // Text of the first descendant named so; empty when there is none.
  QString TextOf(QStringView localName) const;
};

inline constexpr qsizetype kLargestAnswer = 1024 * 1024;
inline constexpr int kDeepestElement = 64;

// Null with `error` set for input that is not well formed, too large or too deep.
std::optional<XmlElement> ParseXml(const QByteArray& bytes, QString& error,
                                   qsizetype largest = kLargestAnswer);

// The element and its descendants as XML with their own namespaces, for the
// reference parameters a subscription asks to be echoed; `extra` is written on
// the outermost element when it has a name.
QByteArray WriteXml(const XmlElement& element, const QXmlStreamAttribute& extra = {});

}  // namespace field::onvif
