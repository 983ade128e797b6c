// SPDX-License-Identifier: MIT
#include "HistorySummary.h"

#include "HistoryText.h"

#include <QDateTime>
#include <cmath>

namespace history {

namespace {

// Rates are whole numbers and margins have one decimal; neither needs more.
QString formatValue(double value) {
    if (std::isnan(value))
        return QStringLiteral("-");
    QString text = QString::number(value, 'f', 1);
    if (text.endsWith(QLatin1String(".0")))
        text.chop(2);
    return text;
}

QString formatSpread(const Spread& spread, const QString& unit) {
    if (spread.count == 0)
        return HistoryText::NoValues;
    return HistoryText::MinMeanMax.arg(formatValue(spread.min), formatValue(spread.mean), formatValue(spread.max),
                                       unit);
}

} // namespace

HistorySummary Summarise(const StatsHistory& history) {
    HistorySummary summary;
    const auto& records = history.records;
    summary.records = qsizetype(records.size());
    summary.skippedLines = history.skippedLines;
    if (records.empty())
        return summary;
    summary.first = records.front().time;
    summary.last = records.back().time;

    std::array<double, FieldCount> sums{};
    double lastDownRate = NoValue;
    double lastUpRate = NoValue;
    PingState lastPing = PingState::Unknown;
    for (const StatsRecord& record : records) {
        for (int f = 0; f < FieldCount; ++f) {
            const double value = record.values[f];
            if (std::isnan(value))
                continue;
            Spread& spread = summary.spreads[f];
            spread.min = spread.count == 0 ? value : std::min(spread.min, value);
            spread.max = spread.count == 0 ? value : std::max(spread.max, value);
            ++spread.count;
            sums[f] += value;
        }
        // A collection that found no rate says nothing about a resync.
        bool resync = false;
        for (auto [field, last] : {std::pair{DownRate, &lastDownRate}, std::pair{UpRate, &lastUpRate}}) {
            const double rate = record.values[field];
            if (std::isnan(rate))
                continue;
            resync = resync || (!std::isnan(*last) && rate != *last);
            *last = rate;
        }
        summary.resyncs += resync;
        if (record.ping == PingState::Unknown)
            continue;
        summary.upToDown += lastPing == PingState::Up && record.ping == PingState::Down;
        (record.ping == PingState::Up ? summary.upRecords : summary.downRecords) += 1;
        lastPing = record.ping;
    }
    for (int f = 0; f < FieldCount; ++f) {
        if (summary.spreads[f].count > 0)
            summary.spreads[f].mean = sums[f] / double(summary.spreads[f].count);
    }
    return summary;
}

QList<SummaryRow> SummaryRows(const HistorySummary& s) {
    const qsizetype pinged = s.upRecords + s.downRecords;
    const QString upShare = pinged == 0
                                ? HistoryText::NoPingResults
                                : HistoryText::UpShareValue.arg(formatValue(100.0 * s.upRecords / pinged)).arg(pinged);
    return {
        {HistoryText::Period, HistoryText::PeriodValue.arg(FormatTime(s.first), FormatTime(s.last))},
        {HistoryText::Records, QString::number(s.records)},
        {HistoryText::DownMargin, formatSpread(s.spreads[DownMargin], HistoryText::Decibel)},
        {HistoryText::UpMargin, formatSpread(s.spreads[UpMargin], HistoryText::Decibel)},
        {HistoryText::DownRate, formatSpread(s.spreads[DownRate], HistoryText::Kbps)},
        {HistoryText::UpRate, formatSpread(s.spreads[UpRate], HistoryText::Kbps)},
        {HistoryText::Changes, QString::number(s.upToDown)},
        {HistoryText::UpShare, upShare},
        {HistoryText::Resyncs, QString::number(s.resyncs)},
        {HistoryText::Skipped, QString::number(s.skippedLines)},
    };
}

QString FormatTime(qint64 time) {
    return QDateTime::fromMSecsSinceEpoch(time).toString(HistoryText::TimeFormat);
}

QString RecordReadout(const StatsRecord& r) {
    const QString ping = r.ping == PingState::Up     ? HistoryText::Up
                         : r.ping == PingState::Down ? HistoryText::Down
                                                     : HistoryText::NoPing;
    return HistoryText::Readout.arg(FormatTime(r.time), formatValue(r.values[DownRate]),
                                    formatValue(r.values[DownAttenuation]), formatValue(r.values[DownMargin]),
                                    formatValue(r.values[UpRate]), formatValue(r.values[UpAttenuation]),
                                    formatValue(r.values[UpMargin]), ping);
}

} // namespace history
