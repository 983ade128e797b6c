// SPDX-License-Identifier: MIT
#include "RouterProbe.h"

#include "script_engine/TarnTelnet.h"
#include "statistics/FailureReasons.h"
#include "statistics/ModelText.h"
#include "statistics/RouterModels.h"
#include "statistics/StatsExtraction.h"
#include "text/ExitStatus.h"
#include "text/modMisc.h"

namespace {

QString shown(const QString& value) {
    return value.isEmpty() ? ModelText::ProbeNoValue : value;
}

} // namespace

RouterProbe::RouterProbe(TarnTelnet& control, StatsCollector::RouterLogin login, QString settingsFile, QObject* parent)
    : QObject(parent), m_control(control), m_login(std::move(login)), m_settingsFile(std::move(settingsFile)),
      m_untried(RouterModels::BuiltinNames()) {
    m_timeLimit.setSingleShot(true);
    m_timeLimit.setInterval(StatsCollector::CollectionTimeLimit);
    // Each run ends once: whatever the control reports after that, while closing, is not heard.
    connect(&m_timeLimit, &QTimer::timeout, this, [this] {
        if (endRun()) {
            m_control.AbortScript();
            failed(FailureReason::TimeLimit);
        }
    });
    connect(&m_control, &TarnTelnet::ScriptComplete, this, &RouterProbe::completed);
    // Mode 1: "Login incorrect" ends the script at once, not at the time limit.
    m_control.setMode(1);
    connect(&m_control, &TarnTelnet::ScriptError, this, [this] {
        if (endRun())
            failed(StatsCollector::LoginRefused(m_control) ? FailureReason::LoginRefused
                                                           : StatsCollector::ReasonOf(m_control.LastFailure()));
    });
    connect(&m_control, &TarnTelnet::ConnectionFailed, this, [this](TarnTelnet::Failure failure) {
        if (endRun()) {
            m_control.AbortScript();
            failed(StatsCollector::ReasonOf(failure));
        }
    });
}

void RouterProbe::Start() {
    tryNext();
}

void RouterProbe::tryNext() {
    if (m_untried.isEmpty() || !m_fits.isEmpty() || !m_unreachable.isEmpty()) {
        finish();
        return;
    }
    m_model = *RouterModels::Builtin(m_untried.takeFirst());
    emit said(ModelText::ProbeTrying.arg(m_model.name, m_model.command));
    m_running = true;
    m_timeLimit.start();
    m_control.RunScript(
        StatsScript::Lines(m_model, m_login.router, m_login.user, m_login.password).join(modMisc::CRLF));
}

bool RouterProbe::endRun() {
    m_timeLimit.stop();
    return std::exchange(m_running, false);
}

void RouterProbe::completed() {
    if (!endRun())
        return;
    QStringList conversation;
    m_control.GetConversation(conversation);
    const LineStats s = StatsExtraction::ReadLineStats(StatsExtraction::ParseConversation(conversation), m_model,
                                                       StatsScript::OverSsh(m_login.router));
    if (s == LineStats{})
        emit said(ModelText::ProbeNoValues.arg(m_model.name));
    else
        emit said(ModelText::ProbeValues.arg(m_model.name, shown(s.DsRate), shown(s.DsAttenuation), shown(s.DsMargin),
                                             shown(s.UsRate), shown(s.UsAttenuation), shown(s.UsMargin)));
    const QStringList values{s.DsRate, s.DsAttenuation, s.DsMargin, s.UsRate, s.UsAttenuation, s.UsMargin};
    if (!values.contains(QString()))
        m_fits = m_model.name;
    // Not from inside the control's report of the run's end.
    QMetaObject::invokeMethod(this, &RouterProbe::tryNext, Qt::QueuedConnection);
}

void RouterProbe::failed(const QString& reason) {
    emit said(ModelText::ProbeFailed.arg(m_model.name, reason));
    // Only the model's own prompts and end can be wrong; the router's address and login are every model's.
    if (reason != FailureReason::TimeLimit && reason != FailureReason::Lost)
        m_unreachable = reason;
    QMetaObject::invokeMethod(this, &RouterProbe::tryNext, Qt::QueuedConnection);
}

void RouterProbe::finish() {
    if (!m_unreachable.isEmpty()) {
        emit said(ModelText::ProbeUnreachable.arg(m_unreachable));
        emit finished(ExitStatus::Failed);
        return;
    }
    if (m_fits.isEmpty()) {
        emit said(ModelText::ProbeNoneFits.arg(ModelText::ReadmeSection));
        emit finished(ExitStatus::Failed);
        return;
    }
    emit said(ModelText::ProbeFits.arg(m_fits, m_settingsFile, ModelText::RouterSection, ModelText::ModelKey));
    emit finished(ExitStatus::Done);
}
