// SPDX-License-Identifier: MIT
#include "TimeTicks.h"

#include "HistoryText.h"
#include "StatsRecord.h"
#include "text/StatsCsv.h"

#include <QDateTime>
#include <algorithm>
#include <set>

namespace history {

namespace {

// The room between two labels, in characters.
constexpr qsizetype LabelGap = 3;

enum class Unit { Minute, Hour, Day, Week, Month, Year };

struct Step {
    Unit unit;
    int count;
    qint64 length; // about, for a first guess at the number of ticks
};

// Minutes and hours that divide their day, so that the ticks fall on the same
// times every day; months that divide the year.
constexpr Step Steps[] = {
    {Unit::Minute, 1, MsPerMinute},       {Unit::Minute, 2, 2 * MsPerMinute},   {Unit::Minute, 5, 5 * MsPerMinute},
    {Unit::Minute, 10, 10 * MsPerMinute}, {Unit::Minute, 15, 15 * MsPerMinute}, {Unit::Minute, 30, 30 * MsPerMinute},
    {Unit::Hour, 1, MsPerHour},           {Unit::Hour, 2, 2 * MsPerHour},       {Unit::Hour, 3, 3 * MsPerHour},
    {Unit::Hour, 6, 6 * MsPerHour},       {Unit::Hour, 12, 12 * MsPerHour},     {Unit::Day, 1, MsPerDay},
    {Unit::Day, 2, 2 * MsPerDay},         {Unit::Week, 1, 7 * MsPerDay},        {Unit::Month, 1, 30 * MsPerDay},
    {Unit::Month, 2, 61 * MsPerDay},      {Unit::Month, 3, 91 * MsPerDay},      {Unit::Month, 6, 182 * MsPerDay},
    {Unit::Year, 1, 365 * MsPerDay},      {Unit::Year, 2, 730 * MsPerDay},      {Unit::Year, 5, 1826 * MsPerDay},
    {Unit::Year, 10, 3652 * MsPerDay},    {Unit::Year, 20, 7305 * MsPerDay},    {Unit::Year, 50, 18262 * MsPerDay},
    {Unit::Year, 100, 36524 * MsPerDay},
};

QDateTime localTime(qint64 time) {
    return QDateTime::fromMSecsSinceEpoch(time);
}

// A local time that the clock skipped (when summer time begins) is no tick.
bool addIfReal(std::vector<qint64>& ticks, const QDate& date, const QTime& time, qint64 from, qint64 to) {
    const QDateTime moment(date, time);
    if (moment.time() != time)
        return true;
    const qint64 at = moment.toMSecsSinceEpoch();
    if (at > to)
        return false;
    if (at >= from)
        ticks.push_back(at);
    return true;
}

// Every count minutes or hours of the local day, from midnight.
std::vector<qint64> clockTicks(qint64 from, qint64 to, int minutesApart, int limit) {
    std::vector<qint64> ticks;
    const QDateTime start = localTime(from);
    QDate date = start.date();
    int minute = (start.time().hour() * 60 + start.time().minute()) / minutesApart * minutesApart;
    for (int tried = 0; tried <= 2 * limit + 4; ++tried) {
        if (!addIfReal(ticks, date, QTime(minute / 60, minute % 60), from, to))
            break;
        minute += minutesApart;
        if (minute >= 24 * 60) {
            minute = 0;
            date = date.addDays(1);
        }
    }
    return ticks;
}

// Midnights of the days that start the step: whole days since a fixed day, Mondays,
// first days of the months or years that divide by the count.
std::vector<qint64> dateTicks(qint64 from, qint64 to, Unit unit, int count, int limit) {
    std::vector<qint64> ticks;
    QDate date = localTime(from).date();
    switch (unit) {
    case Unit::Week:
        date = date.addDays(1 - date.dayOfWeek());
        break;
    case Unit::Month:
        date = QDate(date.year(), (date.month() - 1) / count * count + 1, 1);
        break;
    case Unit::Year:
        date = QDate(date.year() / count * count, 1, 1);
        break;
    default:
        date = date.addDays(-(date.toJulianDay() % count));
        break;
    }
    for (int tried = 0; tried <= limit + 2; ++tried) {
        if (!addIfReal(ticks, date, QTime(0, 0), from, to))
            break;
        switch (unit) {
        case Unit::Week:
            date = date.addDays(7);
            break;
        case Unit::Month:
            date = date.addMonths(count);
            break;
        case Unit::Year:
            date = date.addYears(count);
            break;
        default:
            date = date.addDays(count);
            break;
        }
    }
    return ticks;
}

const QString& labelFormat(Unit unit, const std::vector<qint64>& ticks) {
    switch (unit) {
    case Unit::Minute:
    case Unit::Hour:
        // The time alone while the ticks lie within one day.
        return localTime(ticks.front()).date() == localTime(ticks.back()).date() ? HistoryText::TickTime
                                                                                 : HistoryText::TickDayTime;
    case Unit::Day:
    case Unit::Week:
        return HistoryText::TickDay;
    case Unit::Month:
        return HistoryText::TickMonth;
    case Unit::Year:
        break;
    }
    return HistoryText::TickYear;
}

std::vector<TimeTick> labelled(const std::vector<qint64>& times, const QString& format) {
    std::vector<TimeTick> ticks;
    std::set<QString> labels;
    for (qint64 time : times) {
        ticks.push_back({time, localTime(time).toString(format)});
        labels.insert(ticks.back().label);
    }
    // Two alike, as weeks over more than a year on a very wide picture: the whole time stamp tells them apart.
    if (labels.size() < ticks.size()) {
        for (TimeTick& tick : ticks)
            tick.label = StatsCsv::TimeStamp(localTime(tick.time));
    }
    return ticks;
}

} // namespace

std::vector<TimeTick> CalendarTicks(qint64 from, qint64 to, int width) {
    std::vector<qint64> times;
    QString format;
    for (const Step& step : Steps) {
        // Not even the shortest labels would fit.
        if ((to - from) / step.length > width / (HistoryText::TickYear.size() + LabelGap))
            continue;
        times = step.unit == Unit::Minute || step.unit == Unit::Hour
                    ? clockTicks(from, to, step.count * (step.unit == Unit::Hour ? 60 : 1), width)
                    : dateTicks(from, to, step.unit, step.count, width);
        if (times.empty())
            continue;
        format = labelFormat(step.unit, times);
        if (qsizetype(times.size()) <= std::max<qsizetype>(2, width / (format.size() + LabelGap)))
            break;
    }
    return labelled(times, format);
}

} // namespace history
