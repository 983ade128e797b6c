// SPDX-License-Identifier: MIT
// line-warden --probe-router: logs in to the router once for each built-in
// model, runs its statistics command and tells which model found the six
// values, with the values. A refused connection or login ends the probe: no
// model would fare better. A model whose prompts or end the router never shows
// is given up at the collection's time limit, and the next is tried.
#pragma once

#include "statistics/RouterModel.h"
#include "statistics/StatsCollector.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

class TarnTelnet;

class RouterProbe : public QObject {
    Q_OBJECT

public:
    // The control is the caller's, its SSH properties set; settingsFile is named in the advice.
    RouterProbe(TarnTelnet& control, StatsCollector::RouterLogin login, QString settingsFile,
                QObject* parent = nullptr);

    void Start();

signals:
    // One line for the user.
    void said(const QString& line);
    // Done: ExitStatus::Done when a model fits, else ExitStatus::Failed.
    void finished(int status);

private:
    void tryNext();
    // Ends the running try; false when none runs.
    bool endRun();
    void completed();
    void failed(const QString& reason);
    void finish();

    TarnTelnet& m_control;
    StatsCollector::RouterLogin m_login;
    QString m_settingsFile;
    QStringList m_untried;
    RouterModel m_model;
    bool m_running = false;
    QString m_fits;
    QString m_unreachable; // why the router itself could not be probed
    QTimer m_timeLimit;
};
