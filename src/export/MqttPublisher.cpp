// SPDX-License-Identifier: MIT
#include "MqttPublisher.h"

#include "ExportSettings.h"
#include "ExportText.h"
#include "MqttMessages.h"

#include <QHostAddress>
#include <QHostInfo>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mosquitto.h>

namespace {

// Once per process: the library's global state, and SIGPIPE ignored, as Qt does
// for its own sockets; libmosquitto writes with write(), which would raise it
// on a connection the broker has reset.
void initialiseLibrary() {
    static const int initialised = [] {
#ifdef Q_OS_UNIX
        std::signal(SIGPIPE, SIG_IGN);
#endif
        return mosquitto_lib_init();
    }();
    Q_UNUSED(initialised);
}

constexpr int AtLeastOnce = 1;
constexpr bool Retained = true;

QString errorText(int result) {
    if (result == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(result));
}

} // namespace

void MqttPublisher::ClientDeleter::operator()(mosquitto* client) const {
    mosquitto_destroy(client);
}

MqttPublisher::MqttPublisher(MqttOptions options, QObject* parent) : QObject(parent), m_options(std::move(options)) {
    initialiseLibrary();
    m_misc.setInterval(std::chrono::seconds(1));
    connect(&m_misc, &QTimer::timeout, this, [this] { afterLoop(mosquitto_loop_misc(m_client.get())); });
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &MqttPublisher::connectToBroker);
    m_attemptLimit.setSingleShot(true);
    m_attemptLimit.setInterval(AttemptTimeLimit);
    connect(&m_attemptLimit, &QTimer::timeout, this, [this] { sessionFailed(ExportText::NoAnswer); });
}

MqttPublisher::~MqttPublisher() {
    finish();
}

void MqttPublisher::start() {
    for (const MqttMessages::Message& config :
         MqttMessages::discoveryConfigs(m_options.baseTopic, m_options.lineName, m_options.appTitle))
        m_retained.insert(config.topic, config.payload);
    m_retained.insert(MqttMessages::availabilityTopic(m_options.baseTopic), ExportText::Online);
    connectToBroker();
}

void MqttPublisher::finish() {
    if (m_finished)
        return;
    m_finished = true;
    m_retry.stop();
    if (m_connected) {
        // Outside a callback both go out at once; what cannot is covered by the last will.
        send(MqttMessages::availabilityTopic(m_options.baseTopic), ExportText::Offline);
        mosquitto_disconnect(m_client.get());
    }
    closeSession();
}

void MqttPublisher::recordWritten(const LineStats& stats, const QString& pingStateText, bool changed,
                                  const QDateTime& when) {
    retain(MqttMessages::stateTopic(m_options.baseTopic),
           MqttMessages::statePayload(stats, pingStateText, changed, when));
}

void MqttPublisher::pingStateTextChanged(const QString& text) {
    const QByteArray payload = MqttMessages::pingPayload(text);
    if (!payload.isEmpty())
        retain(MqttMessages::pingTopic(m_options.baseTopic), payload);
}

void MqttPublisher::connectToBroker() {
    if (m_finished)
        return;
    const QHostAddress literal(m_options.host);
    if (!literal.isNull()) {
        openSession(literal);
        return;
    }
    // libmosquitto would resolve the name itself, blocking the event loop meanwhile.
    QHostInfo::lookupHost(m_options.host, this, [this](const QHostInfo& info) {
        if (m_finished)
            return;
        if (info.addresses().isEmpty())
            sessionFailed(info.errorString());
        else
            openSession(info.addresses().constFirst());
    });
}

void MqttPublisher::openSession(const QHostAddress& address) {
    m_client.reset(mosquitto_new(nullptr, true, this));
    mosquitto* client = m_client.get();
    if (!client) {
        sessionFailed(errorText(MOSQ_ERR_NOMEM));
        return;
    }
    mosquitto_connect_callback_set(client, &MqttPublisher::onConnect);
    mosquitto_publish_callback_set(client, &MqttPublisher::onPublish);
    if (!m_options.user.isEmpty()) {
        const QByteArray password = m_options.password.toUtf8();
        mosquitto_username_pw_set(client, m_options.user.toUtf8().constData(),
                                  password.isEmpty() ? nullptr : password.constData());
    }
    const QByteArray will = MqttMessages::availabilityTopic(m_options.baseTopic).toUtf8();
    mosquitto_will_set(client, will.constData(), int(ExportText::Offline.size()), ExportText::Offline.constData(),
                       AtLeastOnce, Retained);

    const int result =
        mosquitto_connect_async(client, address.toString().toUtf8().constData(), m_options.port, KeepAliveSeconds);
    if (result != MOSQ_ERR_SUCCESS) {
        sessionFailed(errorText(result));
        return;
    }
    const int socket = mosquitto_socket(client);
    m_readNotifier = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this,
            [this] { afterLoop(mosquitto_loop_read(m_client.get(), 1)); });
    m_writeNotifier = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Write);
    connect(m_writeNotifier.get(), &QSocketNotifier::activated, this,
            [this] { afterLoop(mosquitto_loop_write(m_client.get(), 1)); });
    m_attemptLimit.start();
    m_misc.start();
    afterLoop(MOSQ_ERR_SUCCESS);
}

// After each call into the client: a session that ended is given up and tried
// again later; a live one is watched for writing only while it has bytes to send.
void MqttPublisher::afterLoop(int result) {
    if (!m_client)
        return;
    if (result != MOSQ_ERR_SUCCESS || mosquitto_socket(m_client.get()) < 0) {
        const int reason = result == MOSQ_ERR_SUCCESS ? MOSQ_ERR_CONN_LOST : result;
        sessionFailed(m_refusal.isEmpty() ? errorText(reason) : m_refusal);
        return;
    }
    m_writeNotifier->setEnabled(mosquitto_want_write(m_client.get()));
    if (m_sessionStarted) {
        m_sessionStarted = false;
        qInfo("%s", qPrintable(ExportText::BrokerConnected.arg(brokerText())));
        emit connected();
    }
}

void MqttPublisher::onConnect(mosquitto*, void* self, int result) {
    auto* publisher = static_cast<MqttPublisher*>(self);
    if (result != 0) {
        publisher->m_refusal = QString::fromUtf8(mosquitto_connack_string(result));
        return;
    }
    publisher->m_connected = true;
    publisher->m_sessionStarted = true;
    publisher->m_failureLogged = false;
    publisher->m_retryDelay = FirstRetryDelay;
    publisher->m_attemptLimit.stop();
    // Inside a callback these are queued; the write notifier sends them.
    for (auto it = publisher->m_retained.cbegin(); it != publisher->m_retained.cend(); ++it)
        publisher->send(it.key(), it.value());
}

void MqttPublisher::onPublish(mosquitto*, void* self, int) {
    auto* publisher = static_cast<MqttPublisher*>(self);
    publisher->m_unacknowledged = std::max(0, publisher->m_unacknowledged - 1);
}

void MqttPublisher::sessionFailed(const QString& reason) {
    closeSession();
    if (m_finished)
        return;
    if (!m_failureLogged) {
        qWarning("%s", qPrintable(ExportText::BrokerUnreachable.arg(brokerText(), reason)));
        m_failureLogged = true;
    }
    m_retry.start(m_retryDelay);
    m_retryDelay = std::min(m_retryDelay * 2, MaxRetryDelay);
    emit attemptFailed(reason);
}

void MqttPublisher::closeSession() {
    m_readNotifier.reset();
    m_writeNotifier.reset();
    m_misc.stop();
    m_attemptLimit.stop();
    m_client.reset();
    m_connected = false;
    m_sessionStarted = false;
    m_unacknowledged = 0;
    m_refusal.clear();
}

void MqttPublisher::retain(const QString& topic, const QByteArray& payload) {
    if (m_finished)
        return;
    m_retained.insert(topic, payload);
    if (!m_connected)
        return;
    if (m_unacknowledged >= MaxUnacknowledged) {
        sessionFailed(ExportText::NoAcknowledgement);
        return;
    }
    const int result = send(topic, payload);
    if (result != MOSQ_ERR_SUCCESS)
        sessionFailed(errorText(result));
    else
        afterLoop(MOSQ_ERR_SUCCESS);
}

int MqttPublisher::send(const QString& topic, const QByteArray& payload) {
    const int result = mosquitto_publish(m_client.get(), nullptr, topic.toUtf8().constData(), int(payload.size()),
                                         payload.constData(), AtLeastOnce, Retained);
    if (result == MOSQ_ERR_SUCCESS)
        ++m_unacknowledged;
    return result;
}

QString MqttPublisher::brokerText() const {
    return hostPortText(m_options.host, m_options.port);
}
