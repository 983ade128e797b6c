// SPDX-License-Identifier: MIT
// The statistics side of the main window: builds the statistics script from the
// router model, runs it on the script control when asked or when tmrStats
// reaches the interval, reads the six values from the finished conversation as
// the model says and writes one record to stats.csv, the output box and
// stats.txt. Without a model (the user's could not be read) it collects nothing. One collection at a time; one that
// fails or never ends is given up without a record, so the next one can run.
// A change of reachability that meets a running collection is not lost: once
// that collection ends, however it ends, one more runs, marked as changed.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>

#include "RouterModel.h"
#include "StatsExtraction.h"
#include "StatsScript.h"
#include "script_engine/TarnTelnet.h"
#include "script_engine/TarnText.h"

class StatsCollector : public QObject {
    Q_OBJECT

public:
    // The router address, user name and password as they stand when a collection starts.
    struct RouterLogin {
        QString router;
        QString user;
        QString password;
    };
    using LoginSource = std::function<RouterLogin()>;
    using Clock = std::function<QDateTime()>;

    // A router answers in well under a second and refuses a login in about three;
    // a collection still running after this is given up.
    static constexpr std::chrono::milliseconds CollectionTimeLimit{15000};

    // Backslash and double quote: a literal quote inside a quoted script argument.
    const QString EscapedQuote = TarnText::QuoteEscape;

    // tmrStats stays owned by the caller; the collector drives it and handles its ticks.
    StatsCollector(TarnTelnet& control, QTimer* tmrStats, Clock clock, QString folder, LoginSource login,
                   QObject* parent = nullptr);

    // The router model of every collection from now on; the default one until
    // set. None: no collection starts, so that no empty records are written.
    void setModel(std::optional<RouterModel> model) { m_model = std::move(model); }

    // Starts a collection unless one is running or there is no model.
    void CollectStats();
    // Starting to ping: the counter from 0, the interval from the text, the timer when ticked.
    void StartSchedule(const QString& statsText, bool statsTicked);
    // Stopping pinging: the timer keeps running, or starts when ticked.
    void StopSchedule(bool statsTicked);
    // Reachability changed: collect now, and mark the readable record. While a
    // collection runs, it carries the mark and one more collection follows it.
    void ReachabilityChanged();
    // The last ping result, "Up" or "Down", as records show it.
    void setPingStateText(const QString& text) { m_pingStateText = text; }
    void tmrStats_Timer();

    QString StatsScript() const { return m_statsScript; }
    bool StatsBusy() const { return m_statsBusy; }
    qint32 StatsTicks() const { return m_statsTicks; }
    qint32 StatsInterval() const { return m_statsInterval; }
    bool PingStateChanged() const { return m_pingStateChanged; }

    // Shorter limits let tests see a give-up without waiting for the real one.
    void setTimeLimit(std::chrono::milliseconds limit) { m_timeLimit.setInterval(limit); }

    // Why a run the control ended with this failure left no record, in FailureReason's words.
    static QString ReasonOf(TarnTelnet::Failure failure);
    // Whether the router refused the login of the control's last run.
    static bool LoginRefused(const TarnTelnet& control);

signals:
    // A readable record, for the output box.
    void recordShown(const QString& readableRecord);
    // A record went to stats.csv and stats.txt: its values, the ping state it
    // carries ("Up", "Down" or empty), its change mark, and the csv record's time.
    void recordWritten(const LineStats& stats, const QString& pingStateText, bool changed, const QDateTime& when);
    // A collection failed or was given up, with no record; the reason in plain
    // words, one of FailureReason's.
    void collectionFailed(const QString& reason);
    // The router answered, but with none of the six values: the record is written
    // all the same, with empty fields.
    void answerWithoutValues();

private:
    void TarnTelnet1_ScriptComplete();
    void TarnTelnet1_ScriptError();
    void collectionTimedOut();
    void giveUp(const QString& reason);
    // Ends the running collection without a record and stops the control; false when none runs.
    bool abandon();
    void fail(const QString& reason);
    void endCollection();
    void runFollowUp();

    TarnTelnet& TarnTelnet1;
    QTimer* tmrStats;
    Clock m_clock;
    QString m_folder;
    LoginSource m_login;
    QTimer m_timeLimit;

    std::optional<RouterModel> m_model = RouterModels::Default();
    // The running collection's model, and whether it runs over SSH.
    RouterModel m_runModel;
    bool m_overSsh = false;

    QString m_statsScript;
    bool m_statsBusy = false;
    qint32 m_statsTicks = 0;
    qint32 m_statsInterval = 0;
    bool m_pingStateChanged = false;
    bool m_followUpDue = false;
    QString m_pingStateText;
};
