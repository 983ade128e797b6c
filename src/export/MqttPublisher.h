// SPDX-License-Identifier: MIT
// Publishes the line over MQTT with libmosquitto, driven by the event loop:
// the client's socket is watched by QSocketNotifiers and its keep-alive by a
// timer, with no thread of its own; connecting never blocks. Every message is
// retained, so only the latest payload of each topic matters: the publisher
// keeps exactly that, sends it when a session starts, and holds no queue that
// could grow while the broker is away. Each attempt takes a fresh client, so
// nothing of a lost session stays behind; attempts back off up to a minute.
#pragma once

#include "statistics/StatsExtraction.h"

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>

struct mosquitto;
class QHostAddress;

struct MqttOptions {
    QString host;
    quint16 port = 0;
    QString user;
    QString password;
    QString baseTopic;
    QString lineName;
    // The program's name, for the device Home Assistant shows.
    QString appTitle;
};

class MqttPublisher : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::seconds FirstRetryDelay{1};
    static constexpr std::chrono::seconds MaxRetryDelay{60};
    // A broker that has not accepted the session by then is tried again later.
    static constexpr std::chrono::seconds AttemptTimeLimit{10};
    static constexpr int KeepAliveSeconds = 60;
    // Messages a broker may leave unacknowledged before its session is taken for stuck.
    static constexpr int MaxUnacknowledged = 100;

    explicit MqttPublisher(MqttOptions options, QObject* parent = nullptr);
    // Ends the session as finish() does.
    ~MqttPublisher() override;

    void start();
    // Publishes "offline" and ends the session cleanly; the broker's last will
    // says the same if the bytes cannot leave. Nothing is published afterwards.
    void finish();

public slots:
    void recordWritten(const LineStats& stats, const QString& pingStateText, bool changed, const QDateTime& when);
    void pingStateTextChanged(const QString& text);

signals:
    // A session started: every retained topic has been handed to the client.
    void connected();
    // An attempt or a session failed; the next attempt is planned.
    void attemptFailed(const QString& reason);

private:
    struct ClientDeleter {
        void operator()(mosquitto* client) const;
    };

    static void onConnect(mosquitto* client, void* self, int result);
    static void onPublish(mosquitto* client, void* self, int messageId);

    void connectToBroker();
    void openSession(const QHostAddress& address);
    void afterLoop(int result);
    void sessionFailed(const QString& reason);
    void closeSession();
    void retain(const QString& topic, const QByteArray& payload);
    int send(const QString& topic, const QByteArray& payload);
    QString brokerText() const;

    MqttOptions m_options;
    std::unique_ptr<mosquitto, ClientDeleter> m_client;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    QTimer m_misc;
    QTimer m_retry;
    QTimer m_attemptLimit;
    std::chrono::seconds m_retryDelay = FirstRetryDelay;
    QMap<QString, QByteArray> m_retained;
    bool m_connected = false;
    bool m_sessionStarted = false;
    bool m_failureLogged = false;
    bool m_finished = false;
    int m_unacknowledged = 0;
    QString m_refusal;
};
