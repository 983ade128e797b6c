// SPDX-License-Identifier: MIT
#include "EventText.h"

#include "NotifyText.h"
#include "text/Escape.h"
#include "text/IsoTime.h"

using namespace NotifyText;
using Kind = LineEvent::Kind;

namespace {

// Long enough for any value a router prints; short enough that a runaway
// answer cannot make the command's environment too big to start it.
constexpr qsizetype MaxVariableLength = 256;

QString rateChange(const QString& direction, const QString& before, const QString& after) {
    return RateChange.arg(direction, before, after.trimmed());
}

QString marginLow(const QString& direction, const QString& margin, double below) {
    return MarginLow.arg(direction, margin.trimmed(), QString::number(below));
}

} // namespace

namespace EventText {

QString name(Kind kind) {
    switch (kind) {
    case Kind::Down:
        return DownEvent;
    case Kind::Up:
        return UpEvent;
    case Kind::Resync:
        return ResyncEvent;
    case Kind::LowMargin:
        return LowMarginEvent;
    case Kind::Failing:
        break;
    }
    return FailingEvent;
}

QString body(const LineEvent& event) {
    QStringList parts;
    switch (event.kind) {
    case Kind::Down:
        return DownBody.arg(event.downSince.toString(TimeOfDay));
    case Kind::Up:
        return UpBody.arg(duration(event.downSeconds()));
    case Kind::Resync:
        if (event.downstream)
            parts << rateChange(Downstream, event.dsRateBefore, event.stats.DsRate);
        if (event.upstream)
            parts << rateChange(Upstream, event.usRateBefore, event.stats.UsRate);
        return ResyncBody.arg(parts.join(PartSeparator));
    case Kind::LowMargin:
        if (event.downstream)
            parts << marginLow(Downstream, event.stats.DsMargin, event.dsMarginBelow);
        if (event.upstream)
            parts << marginLow(Upstream, event.stats.UsMargin, event.usMarginBelow);
        return LowMarginBody.arg(parts.join(PartSeparator));
    case Kind::Failing:
        break;
    }
    return FailingBody.arg(event.failures).arg(sanitised(event.reason));
}

QString iconName(Kind kind) {
    return kind == Kind::Down ? DownIcon : kind == Kind::Up ? UpIcon : NormalIcon;
}

QString category(Kind kind) {
    switch (kind) {
    case Kind::Down:
        return DisconnectedCategory;
    case Kind::Up:
        return ConnectedCategory;
    case Kind::Failing:
        return ErrorCategory;
    case Kind::Resync:
    case Kind::LowMargin:
        break;
    }
    return NetworkCategory;
}

QString duration(qint64 seconds) {
    const auto two = [](qint64 big, const char* bigUnit, qint64 small, const char* smallUnit) {
        return small == 0 ? QStringLiteral("%1 %2").arg(big).arg(QLatin1String(bigUnit))
                          : QStringLiteral("%1 %2 %3 %4")
                                .arg(big)
                                .arg(QLatin1String(bigUnit))
                                .arg(small)
                                .arg(QLatin1String(smallUnit));
    };
    seconds = std::max<qint64>(seconds, 0);
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return two(seconds / 60, "min", seconds % 60, "s");
    if (seconds < 86400)
        return two(seconds / 3600, "h", seconds % 3600 / 60, "min");
    return two(seconds / 86400, "d", seconds % 86400 / 3600, "h");
}

QString sanitised(const QString& text) {
    return Escape::OneLine(text.left(MaxVariableLength));
}

QList<std::pair<QString, QString>> variables(const LineEvent& event) {
    return {
        {EventVariable, name(event.kind)},
        {TimeVariable, modMisc::IsoTime(event.time)},
        {StateVariable, event.pingState},
        {DownSecondsVariable, event.kind == Kind::Up ? QString::number(event.downSeconds()) : QString()},
        {DsRateVariable, sanitised(event.stats.DsRate.trimmed())},
        {UsRateVariable, sanitised(event.stats.UsRate.trimmed())},
        {DsMarginVariable, sanitised(event.stats.DsMargin.trimmed())},
        {UsMarginVariable, sanitised(event.stats.UsMargin.trimmed())},
        {ReasonVariable, event.kind == Kind::Failing ? sanitised(event.reason) : QString()},
    };
}

} // namespace EventText
