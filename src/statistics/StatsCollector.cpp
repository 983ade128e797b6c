// SPDX-License-Identifier: MIT
#include "StatsCollector.h"

#include "StatsRecords.h"
#include "StatsText.h"
#include "script_engine/TarnTelnet.h"
#include "text/modMisc.h"

#include <limits>

using namespace StatsText;

namespace {

// The whole-number value of the interval text; out of range it is clamped, so
// a huge number means "hardly ever" rather than an error.
qint32 intervalOf(const QString& text) {
    const double value = modMisc::LeadingNumber(text);
    const qint32 interval = modMisc::WholeNumber(value).value_or(value < 0 ? std::numeric_limits<qint32>::min()
                                                                           : std::numeric_limits<qint32>::max());
    return interval == 0 ? 1 : interval;
}

} // namespace

StatsCollector::StatsCollector(TarnTelnet& control, QTimer* tmrStats, Clock clock, QString folder, LoginSource login,
                               QObject* parent)
    : QObject(parent), TarnTelnet1(control), tmrStats(tmrStats), m_clock(std::move(clock)), m_folder(std::move(folder)),
      m_login(std::move(login)) {
    m_timeLimit.setSingleShot(true);
    m_timeLimit.setInterval(CollectionTimeLimit);
    connect(&m_timeLimit, &QTimer::timeout, this, &StatsCollector::collectionTimedOut);
    connect(tmrStats, &QTimer::timeout, this, &StatsCollector::tmrStats_Timer);
    connect(&TarnTelnet1, &TarnTelnet::ScriptComplete, this, &StatsCollector::TarnTelnet1_ScriptComplete);
    connect(&TarnTelnet1, &TarnTelnet::ScriptError, this, &StatsCollector::TarnTelnet1_ScriptError);
    connect(&TarnTelnet1, &TarnTelnet::ConnectionFailed, this, &StatsCollector::TarnTelnet1_ConnectionFailed);
}

QString StatsCollector::Quote(const QString& text) {
    return u'"' + text + u'"';
}

void StatsCollector::AddScriptLine(const QString& line) {
    modMisc::AppendLine(m_statsScript, line);
}

void StatsCollector::CollectStats() {
    if (m_statsBusy)
        return;
    m_statsBusy = true;
    m_statsScript.clear();
    const RouterLogin login = m_login();
    const QString newLine = QStringLiteral("\\n");
    AddScriptLine(HostWord + login.router);
    AddScriptLine(WaitWord + Quote(LoginWait));
    AddScriptLine(SendWord + Quote(login.user + newLine));
    AddScriptLine(WaitWord + Quote(PasswordWait));
    AddScriptLine(SendWord + Quote(login.password + newLine));
    AddScriptLine(WaitWord + Quote(ShellWait));
    AddScriptLine(SendWord + Quote(StatsCommand + u' ' + EscapedQuote + NoWhere + EscapedQuote + newLine));
    AddScriptLine(WaitWord + Quote(NoWhere));
    // Armed first: the control may end the run before RunScript returns.
    m_timeLimit.start();
    TarnTelnet1.RunScript(m_statsScript);
}

void StatsCollector::StartSchedule(const QString& statsText, bool statsTicked) {
    m_statsTicks = 0;
    m_statsInterval = intervalOf(statsText);
    // Restarted, so that the first periodic collection comes a full interval after this start.
    if (statsTicked)
        tmrStats->start();
}

void StatsCollector::StopSchedule(bool statsTicked) {
    if (statsTicked && !tmrStats->isActive())
        tmrStats->start();
}

void StatsCollector::ReachabilityChanged() {
    // Set before the call, so that a collection already running carries the mark.
    m_pingStateChanged = true;
    CollectStats();
}

void StatsCollector::tmrStats_Timer() {
    if (m_statsTicks < std::numeric_limits<qint32>::max())
        ++m_statsTicks;
    if (m_statsTicks >= m_statsInterval) {
        m_statsTicks = 0;
        m_pingStateChanged = false;
        CollectStats();
    }
}

void StatsCollector::TarnTelnet1_ScriptComplete() {
    // The end of a run already given up: it leaves no record.
    if (!m_statsBusy)
        return;
    m_timeLimit.stop();
    QStringList conversation;
    TarnTelnet1.GetConversation(conversation);
    m_conversationTable = StatsExtraction::ParseConversation(conversation);
    const LineStats stats = StatsExtraction::ReadLineStats(m_conversationTable);

    StatsRecords::AppendToAppFile(m_folder, StatsRecords::StatsCsvRecord(stats, m_pingStateText, m_clock()),
                                  CsvFileName);
    const QString readable = StatsRecords::StatsTextRecord(stats, m_pingStateText, m_pingStateChanged, m_clock());
    emit recordShown(readable);
    StatsRecords::AppendToAppFile(m_folder, readable, TextFileName);
    endCollection();
}

void StatsCollector::TarnTelnet1_ScriptError() {
    // The control has closed its connections already; the run leaves no record.
    if (m_statsBusy)
        endCollection();
}

// A collection whose connection failed cannot succeed: it is given up at once
// rather than at the time limit.
void StatsCollector::TarnTelnet1_ConnectionFailed() {
    giveUp();
}

void StatsCollector::collectionTimedOut() {
    giveUp();
}

// The connection is closed first; then what the abandoned run received is
// freed at once rather than held until the next collection.
void StatsCollector::giveUp() {
    if (!m_statsBusy)
        return;
    // Over before the abort, so that whatever the control reports while closing is ignored.
    endCollection();
    TarnTelnet1.AbortScript();
    TarnTelnet1.DiscardRun();
}

void StatsCollector::endCollection() {
    m_timeLimit.stop();
    m_statsBusy = false;
}
