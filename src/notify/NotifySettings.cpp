// SPDX-License-Identifier: MIT
#include "NotifySettings.h"

#include "NotifyText.h"
#include "text/IniFile.h"

#include <cmath>

using namespace NotifyText;

namespace {

// Collects the keys whose value was refused, with the default taken instead.
class Reader {
public:
    explicit Reader(const QStringList& values) : m_values(values) {}

    void flag(qsizetype index, bool& setting) {
        const QString text = value(index);
        if (text == u"1" || text == u"0")
            setting = text == u"1";
        else if (!text.isEmpty())
            refuse(index, setting ? QStringLiteral("1") : QStringLiteral("0"));
    }

    void decibels(qsizetype index, double& setting) {
        const QString text = value(index);
        bool ok = false;
        const double number = text.toDouble(&ok);
        if (ok && std::isfinite(number))
            setting = number;
        else if (!text.isEmpty())
            refuse(index, QString::number(setting));
    }

    void count(qsizetype index, qint32& setting) {
        const QString text = value(index);
        bool ok = false;
        const qint32 number = text.toInt(&ok);
        if (ok && number >= 1)
            setting = number;
        else if (!text.isEmpty())
            refuse(index, QString::number(setting));
    }

    // The settings file's reader cuts longer values: a command cut short could
    // run another program, or the same one with other arguments.
    void command(qsizetype index, QString& setting) {
        const QString text = value(index);
        if (text.size() < modMisc::MaxIniValueLength)
            setting = text;
        else
            refuse(index, NoCommand);
    }

    QString value(qsizetype index) const { return m_values.value(index).trimmed(); }
    QString complaint() const { return m_refused.isEmpty() ? QString() : BadSettings.arg(m_refused.join(u"; ")); }

private:
    void refuse(qsizetype index, const QString& fallback) {
        m_refused << BadSetting.arg(NotifySettings::keys().at(index), value(index), fallback);
    }

    const QStringList& m_values;
    QStringList m_refused;
};

} // namespace

QStringList NotifySettings::keys() {
    return {DownKey,           UpKey,
            ResyncKey,         LowMarginKey,
            FailingKey,        DownMarginBelowKey,
            UpMarginBelowKey,  DownAfterProbesKey,
            FailuresInARowKey, CommandKey};
}

NotifySettings NotifySettings::fromTexts(const QStringList& values, QString* complaint) {
    NotifySettings settings;
    Reader reader(values);
    reader.flag(0, settings.down);
    reader.flag(1, settings.up);
    reader.flag(2, settings.resync);
    reader.flag(3, settings.lowMargin);
    reader.flag(4, settings.failing);
    reader.decibels(5, settings.downMarginBelow);
    reader.decibels(6, settings.upMarginBelow);
    reader.count(7, settings.downAfterProbes);
    reader.count(8, settings.failuresInARow);
    reader.command(9, settings.command);
    if (complaint)
        *complaint = reader.complaint();
    return settings;
}
