// SPDX-License-Identifier: MIT
// The worked example of a record, as the exports receive it.
#pragma once

#include "statistics/StatsExtraction.h"

// 8000/800 kbit/s, 20.5/10 dB, 12/8 dB.
inline LineStats sampleStats() {
    LineStats stats;
    stats.DsRate = QStringLiteral("8000");
    stats.DsAttenuation = QStringLiteral("20.5");
    stats.DsMargin = QStringLiteral("12");
    stats.UsRate = QStringLiteral("800");
    stats.UsAttenuation = QStringLiteral("10");
    stats.UsMargin = QStringLiteral("8");
    return stats;
}
