// SPDX-License-Identifier: MIT
#include "MetricsText.h"

#include "LineValues.h"
#include "text/StatsCsv.h"

#include <QList>

namespace {

using LineValues::Direction;
using LineValues::Quantity;

struct Family {
    const char* name;
    const char* type;
    const char* help;
};

constexpr Family Rate{"linewarden_line_rate_bytes_per_second", "gauge",
                      "Connection rate of the line in bytes per second (the router's kbit/s times 125)."};
constexpr Family Attenuation{"linewarden_line_attenuation_decibels", "gauge", "Line attenuation in decibels."};
constexpr Family Margin{"linewarden_line_snr_margin_decibels", "gauge", "Signal-to-noise margin in decibels."};
constexpr Family PingUp{"linewarden_ping_up", "gauge", "1 when the last ping was answered, 0 when it was not."};
constexpr Family RoundTrip{"linewarden_ping_rtt_seconds", "gauge", "Round-trip time of the last answered ping."};
constexpr Family Collections{"linewarden_collections_total", "counter",
                             "Statistics collections since start, by result."};
constexpr Family LastRecord{"linewarden_last_record_timestamp_seconds", "gauge",
                            "When the last statistics record was written, in seconds since the epoch."};
constexpr Family BuildInfo{"linewarden_build_info", "gauge", "Always 1; the version of the program as a label."};

// A label value with its backslashes, quotes and line feeds escaped.
QByteArray labelValue(const QString& text) {
    QByteArray escaped;
    for (const char c : text.toUtf8()) {
        if (c == '\\' || c == '"')
            escaped += '\\';
        if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return escaped;
}

QByteArray label(const char* name, const QString& value) {
    return QByteArray(name) + "=\"" + labelValue(value) + '"';
}

struct Sample {
    QByteArray labels; // beyond the line's own
    double value;
};

// A family with its HELP and TYPE lines, or nothing when it has no samples yet.
void write(QByteArray& out, const Family& family, const QByteArray& lineLabel, const QList<Sample>& samples) {
    if (samples.isEmpty())
        return;
    out += QByteArray("# HELP ") + family.name + ' ' + family.help + '\n';
    out += QByteArray("# TYPE ") + family.name + ' ' + family.type + '\n';
    for (const Sample& sample : samples) {
        out += QByteArray(family.name) + '{' + lineLabel;
        if (!sample.labels.isEmpty())
            out += ',' + sample.labels;
        out += "} " + LineValues::format(sample.value) + '\n';
    }
}

const Family& familyOf(Quantity quantity) {
    switch (quantity) {
    case Quantity::Rate:
        return Rate;
    case Quantity::Attenuation:
        return Attenuation;
    case Quantity::Margin:
        break;
    }
    return Margin;
}

} // namespace

namespace MetricsText {

QByteArray render(const MetricsSnapshot& snapshot, const QString& lineName, const QString& version) {
    const QByteArray lineLabel = label("line", lineName);
    QByteArray out;

    for (const Quantity quantity : {Quantity::Rate, Quantity::Attenuation, Quantity::Margin}) {
        QList<Sample> samples;
        for (const LineValues::Value& value : LineValues::All) {
            if (value.quantity != quantity || !snapshot.stats)
                continue;
            const std::optional<double> number = StatsCsv::NumberOf((*snapshot.stats).*value.text);
            if (!number)
                continue;
            const double scale = quantity == Quantity::Rate ? 125.0 : 1.0; // kbit/s to bytes/s
            const QString direction =
                value.direction == Direction::Down ? QStringLiteral("down") : QStringLiteral("up");
            samples.append({label("direction", direction), *number * scale});
        }
        write(out, familyOf(quantity), lineLabel, samples);
    }

    if (snapshot.pingUp)
        write(out, PingUp, lineLabel, {{{}, *snapshot.pingUp ? 1.0 : 0.0}});
    if (snapshot.roundTripSeconds)
        write(out, RoundTrip, lineLabel, {{{}, *snapshot.roundTripSeconds}});
    write(out, Collections, lineLabel,
          {{label("result", QStringLiteral("ok")), double(snapshot.collectionsOk)},
           {label("result", QStringLiteral("failed")), double(snapshot.collectionsFailed)}});
    if (snapshot.stats && snapshot.recordedAt.isValid())
        write(out, LastRecord, lineLabel, {{{}, snapshot.recordedAt.toMSecsSinceEpoch() / 1000.0}});
    write(out, BuildInfo, lineLabel, {{label("version", version), 1.0}});
    return out;
}

} // namespace MetricsText
