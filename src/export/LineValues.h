// SPDX-License-Identifier: MIT
// The six values of a record as the exports see them: which direction and
// which quantity each one is, and its number. Rates are in kbit/s, the
// attenuations and margins in dB, as the router prints them.
#pragma once

#include "statistics/StatsExtraction.h"

#include <QString>
#include <array>
#include <optional>

namespace LineValues {

enum class Direction { Down, Up };
enum class Quantity { Rate, Attenuation, Margin };

struct Value {
    Direction direction;
    Quantity quantity;
    QString LineStats::*text;
};

inline constexpr std::array<Value, 6> All{{
    {Direction::Down, Quantity::Rate, &LineStats::DsRate},
    {Direction::Down, Quantity::Attenuation, &LineStats::DsAttenuation},
    {Direction::Down, Quantity::Margin, &LineStats::DsMargin},
    {Direction::Up, Quantity::Rate, &LineStats::UsRate},
    {Direction::Up, Quantity::Attenuation, &LineStats::UsAttenuation},
    {Direction::Up, Quantity::Margin, &LineStats::UsMargin},
}};

// A number as exports write it: whole numbers without a fraction or exponent,
// others in the shortest form that reads back the same.
QByteArray format(double value);

} // namespace LineValues
