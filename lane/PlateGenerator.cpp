#include "PlateGenerator.h"

namespace virtual_lane {
namespace {

const QString kProvinces =
    QStringLiteral("京津沪渝冀豫云辽黑湘皖鲁新苏浙赣鄂桂甘晋蒙陕吉闽贵粤青藏川宁琼");
// I and O are never used on plates: they read as 1 and 0.
const QString kLetters = QStringLiteral("ABCDEFGHJKLMNPQRSTUVWXYZ");
const QString kLettersAndDigits = QStringLiteral("0123456789ABCDEFGHJKLMNPQRSTUVWXYZ0123456789");

QChar Pick(const QString& from, std::mt19937& random) {
  std::uniform_int_distribution<qsizetype> index(0, from.size() - 1);
  return from[index(random)];
}

}  // namespace

QString PlateGenerator::Next() {
  QString plate;
  plate.reserve(7);
  plate += Pick(kProvinces, random_);
  plate += Pick(kLetters, random_);
  for (int i = 0; i < 5; ++i) plate += Pick(kLettersAndDigits, random_);
  return plate;
}

}  // namespace virtual_lane
