// SPDX-License-Identifier: MIT
#include "HistorySummary.h"

#include "HistoryText.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <span>

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

QString formatSpread(const Spread& spread, const QString& unit, SummaryForm form) {
    if (spread.count == 0)
        return HistoryText::NoValues;
    return (form == SummaryForm::Full ? HistoryText::MinMeanMax : HistoryText::MinMeanMaxShort)
        .arg(formatValue(spread.min), formatValue(spread.mean), formatValue(spread.max), unit);
}

} // namespace

HistorySummary Summarise(const StatsHistory& history) {
    HistorySummary summary =
        history.records.empty() ? HistorySummary()
                                : Summarise(history.records, history.records.front().time, history.records.back().time);
    summary.skippedLines = history.skippedLines;
    return summary;
}

HistorySummary Summarise(const std::vector<StatsRecord>& all, qint64 from, qint64 to) {
    HistorySummary summary;
    const auto begin =
        std::lower_bound(all.begin(), all.end(), from, [](const StatsRecord& r, qint64 t) { return r.time < t; });
    const auto end = std::upper_bound(begin, all.end(), to, [](qint64 t, const StatsRecord& r) { return t < r.time; });
    const std::span<const StatsRecord> records(begin, end);
    summary.records = qsizetype(records.size());
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

QList<SummaryRow> SummaryRows(const HistorySummary& s, SummaryForm form) {
    const qsizetype pinged = s.upRecords + s.downRecords;
    const QString share = formatValue(100.0 * s.upRecords / pinged);
    const QString upShare = pinged == 0                  ? HistoryText::NoPingResults
                            : form == SummaryForm::Short ? HistoryText::UpShareShort.arg(share)
                                                         : HistoryText::UpShareValue.arg(share).arg(pinged);
    const QString period = s.records == 0 ? HistoryText::NoRecordsShown
                                          : HistoryText::PeriodValue.arg(FormatTime(s.first), FormatTime(s.last));
    return {
        {HistoryText::Period, period},
        {HistoryText::Records, QString::number(s.records)},
        {HistoryText::DownMargin, formatSpread(s.spreads[DownMargin], HistoryText::Decibel, form)},
        {HistoryText::UpMargin, formatSpread(s.spreads[UpMargin], HistoryText::Decibel, form)},
        {HistoryText::DownRate, formatSpread(s.spreads[DownRate], HistoryText::Kbps, form)},
        {HistoryText::UpRate, formatSpread(s.spreads[UpRate], HistoryText::Kbps, form)},
        {HistoryText::Changes, QString::number(s.upToDown)},
        {HistoryText::UpShare, upShare},
        {HistoryText::Resyncs, QString::number(s.resyncs)},
        {HistoryText::Skipped, s.skippedLines ? QString::number(*s.skippedLines) : QString()},
    };
}

QString FormatTime(qint64 time) {
    return StatsCsv::TimeStamp(QDateTime::fromMSecsSinceEpoch(time));
}

QString FormatDuration(qint64 milliseconds) {
    const qint64 seconds = milliseconds / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString OutagesLine(const SpanTotals& outages) {
    return HistoryText::OutagesLine.arg(outages.count)
        .arg(FormatDuration(outages.total), FormatDuration(outages.longest));
}

QString GapsLine(const SpanTotals& gaps) {
    return HistoryText::GapsLine.arg(gaps.count).arg(FormatDuration(gaps.longest));
}

QString SpanLine(const TimeSpan& span) {
    return HistoryText::SpanLine.arg(FormatTime(span.from), FormatTime(span.to), FormatDuration(span.length()));
}

QStringList OutageAndGapLines(const std::vector<StatsRecord>& records) {
    const qint64 gapLimit = GapLimit(records);
    const std::vector<TimeSpan> outages = DownSpans(records, gapLimit);
    const std::vector<TimeSpan> gaps = Gaps(records, gapLimit);
    QStringList lines;
    for (const auto& [heading, spans] :
         {std::pair{OutagesLine(Totals(outages)), &outages}, std::pair{GapsLine(Totals(gaps)), &gaps}}) {
        lines << heading;
        for (const TimeSpan& span : *spans)
            lines << HistoryText::SpanIndent + SpanLine(span);
    }
    return lines;
}

QString RecordReadout(const StatsRecord& r) {
    const QString ping = r.ping == PingState::Up     ? StatsCsv::Up
                         : r.ping == PingState::Down ? StatsCsv::Down
                                                     : HistoryText::NoPing;
    return HistoryText::Readout.arg(FormatTime(r.time), formatValue(r.values[DownRate]),
                                    formatValue(r.values[DownAttenuation]), formatValue(r.values[DownMargin]),
                                    formatValue(r.values[UpRate]), formatValue(r.values[UpAttenuation]),
                                    formatValue(r.values[UpMargin]), ping);
}

} // namespace history
