// SPDX-License-Identifier: MIT
#include "StatsCollector.h"

#include "FailureReasons.h"
#include "StatsRecords.h"
#include "StatsText.h"
#include "script_engine/TarnMessages.h"
#include "text/StatsCsv.h"
#include "text/modMisc.h"

#include <algorithm>
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

QString StatsCollector::ReasonOf(TarnTelnet::Failure failure) {
    switch (failure) {
    case TarnTelnet::Failure::Refused:
        return FailureReason::Refused;
    case TarnTelnet::Failure::NoRoute:
        return FailureReason::NoRoute;
    case TarnTelnet::Failure::Lost:
    case TarnTelnet::Failure::FtpAborted: // the statistics script uploads nothing
        return FailureReason::Lost;
    case TarnTelnet::Failure::TooLong:
        return FailureReason::TooLong;
    case TarnTelnet::Failure::LoginRefused:
        return FailureReason::LoginRefused;
    case TarnTelnet::Failure::HostKeyUnknown:
        return FailureReason::HostKeyUnknown;
    case TarnTelnet::Failure::HostKeyChanged:
        return FailureReason::HostKeyChanged;
    case TarnTelnet::Failure::None:
        break;
    }
    return FailureReason::BadAddress;
}

// A wrong password does not end the script: the router only asks again, and the
// run lasts until the time limit. Its refusal is in the conversation.
bool StatsCollector::LoginRefused(const TarnTelnet& control) {
    QStringList conversation;
    control.GetConversation(conversation);
    return std::any_of(conversation.cbegin(), conversation.cend(), [](const QString& entry) {
        return entry.contains(TarnReplies::LoginIncorrect, Qt::CaseInsensitive);
    });
}

namespace {

bool holdsNoValue(const LineStats& stats) {
    return stats == LineStats{};
}

} // namespace

StatsCollector::StatsCollector(TarnTelnet& control, QTimer* tmrStats, Clock clock, QString folder, LoginSource login,
                               QObject* parent)
    : QObject(parent), TarnTelnet1(control), tmrStats(tmrStats), m_clock(std::move(clock)), m_folder(std::move(folder)),
      m_login(std::move(login)) {
    m_timeLimit.setSingleShot(true);
    // A coarse timer may fire up to 5 % early: a slow router gets its whole 15 seconds.
    m_timeLimit.setTimerType(Qt::PreciseTimer);
    m_timeLimit.setInterval(CollectionTimeLimit);
    connect(&m_timeLimit, &QTimer::timeout, this, &StatsCollector::collectionTimedOut);
    connect(tmrStats, &QTimer::timeout, this, &StatsCollector::tmrStats_Timer);
    connect(&TarnTelnet1, &TarnTelnet::ScriptComplete, this, &StatsCollector::TarnTelnet1_ScriptComplete);
    connect(&TarnTelnet1, &TarnTelnet::ScriptError, this, &StatsCollector::TarnTelnet1_ScriptError);
    // A collection whose connection failed cannot succeed: it is given up at once
    // rather than at the time limit.
    connect(&TarnTelnet1, &TarnTelnet::ConnectionFailed, this,
            [this](TarnTelnet::Failure failure) { giveUp(ReasonOf(failure)); });
}

void StatsCollector::CollectStats() {
    if (m_statsBusy || !m_model)
        return;
    m_statsBusy = true;
    const RouterLogin login = m_login();
    m_runModel = *m_model;
    m_overSsh = StatsScript::OverSsh(login.router);
    if (m_overSsh) {
        // The SSH connection logs in with the control's properties, so the
        // password is never script text; the shell's prompt comes first.
        TarnTelnet1.setSshUser(login.user);
        TarnTelnet1.setSshPassword(login.password);
    }
    m_statsScript = StatsScript::Lines(m_runModel, login.router, login.user, login.password).join(modMisc::CRLF);
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
    // Its statistics may predate the change: one more collection follows it,
    // however many changes meet it.
    if (m_statsBusy)
        m_followUpDue = true;
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
    const LineStats stats =
        StatsExtraction::ReadLineStats(StatsExtraction::ParseConversation(conversation), m_runModel, m_overSsh);
    if (holdsNoValue(stats))
        emit answerWithoutValues();

    const QDateTime when = m_clock();
    StatsRecords::AppendToAppFile(m_folder, StatsRecords::StatsCsvRecord(stats, m_pingStateText, when),
                                  StatsCsv::FileName);
    const QString readable = StatsRecords::StatsTextRecord(stats, m_pingStateText, m_pingStateChanged, m_clock());
    emit recordShown(readable);
    StatsRecords::AppendToAppFile(m_folder, readable, TextFileName);
    emit recordWritten(StatsRecords::AsWritten(stats), m_pingStateText, m_pingStateChanged, when);
    endCollection();
}

void StatsCollector::TarnTelnet1_ScriptError() {
    // The control has closed its connections already; the run leaves no record.
    if (!m_statsBusy)
        return;
    endCollection();
    fail(ReasonOf(TarnTelnet1.LastFailure()));
}

void StatsCollector::collectionTimedOut() {
    // The abort closes the connection, which moves the last answer into the conversation.
    if (abandon())
        fail(LoginRefused(TarnTelnet1) ? FailureReason::LoginRefused : FailureReason::TimeLimit);
}

void StatsCollector::giveUp(const QString& reason) {
    if (abandon())
        fail(reason);
}

bool StatsCollector::abandon() {
    if (!m_statsBusy)
        return false;
    // Over before the abort, so that whatever the control reports while closing is ignored.
    endCollection();
    TarnTelnet1.AbortScript();
    return true;
}

// What the abandoned run received is freed at once, once its reason is known,
// rather than held until the next collection.
void StatsCollector::fail(const QString& reason) {
    TarnTelnet1.DiscardRun();
    emit collectionFailed(reason);
}

// The follow-up starts from the event loop, once the control has left the
// handler that ended this run: a new run must not begin inside the old one's report.
void StatsCollector::endCollection() {
    m_timeLimit.stop();
    m_statsBusy = false;
    if (m_followUpDue)
        QMetaObject::invokeMethod(this, &StatsCollector::runFollowUp, Qt::QueuedConnection);
}

void StatsCollector::runFollowUp() {
    if (!std::exchange(m_followUpDue, false))
        return;
    // A collection that began after the change (a periodic tick came first) serves as the follow-up.
    m_pingStateChanged = true;
    CollectStats();
}
