// SPDX-License-Identifier: MIT
#include "LineValues.h"

#include <QLocale>
#include <cmath>

namespace LineValues {

QByteArray format(double value) {
    // Beyond 2^53 not every whole number is a double any more.
    constexpr double exactWhole = 9007199254740992.0;
    if (value == std::trunc(value) && std::abs(value) < exactWhole)
        return QByteArray::number(qint64(value));
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace LineValues
