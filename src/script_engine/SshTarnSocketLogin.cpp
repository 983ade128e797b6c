// SPDX-License-Identifier: MIT
// From the TCP connection to the open shell: the key exchange, the router's
// host key, the login and the channel with its pseudo-terminal.
#include "SshTarnSocket.h"

#include "KnownHostsFile.h"
#include "SshMessages.h"

#include <QFile>

#include <libssh/libssh.h>

using namespace SshMessages;

namespace {

// A wide terminal: a shell redraws a command line longer than the terminal
// is wide, and the echo of a redrawn line could not be removed.
constexpr int TerminalColumns = 200;
constexpr int TerminalRows = 24;
constexpr const char* TerminalType = "vt100";

// A key file protected by a passphrase is refused: nobody may be asked on a terminal.
int noPassphrase(const char*, char*, size_t, int, int, void*) {
    return -1;
}

} // namespace

bool SshTarnSocket::handshake() {
    const int result = ssh_connect(m_session);
    if (result == SSH_AGAIN)
        return false;
    if (result != SSH_OK) {
        fail(SshHandshakeFailed, HandshakeFailed.arg(hostPort(), sshError()));
        return false;
    }
    if (!checkHostKey())
        return false;
    m_phase = Phase::Authenticating;
    m_methods = {Method::None};
    return true;
}

// A known key passes; a changed one never does; a new one only when the host
// allows it and it can be remembered, and then it is told.
bool SshTarnSocket::checkHostKey() {
    ssh_key key = nullptr;
    if (ssh_get_server_publickey(m_session, &key) != SSH_OK) {
        fail(SshHandshakeFailed, HandshakeFailed.arg(hostPort(), sshError()));
        return false;
    }
    const QString offered = KnownHostsFile::Fingerprint(key);
    const QByteArray publicKey = KnownHostsFile::PublicKey(key);
    ssh_key_free(key);
    const QString file = knownHostsFile();
    if (!m_knownKeys) {
        fail(SshHostKeyUnknown, HostKeyUnchecked.arg(hostPort(), offered, file, m_knownKeysWhy));
        return false;
    }
    QStringList known;
    for (const KnownHostsFile::KnownKey& knownKey : *m_knownKeys) {
        if (!publicKey.isEmpty() && knownKey.publicKey == publicKey)
            return true;
        known << knownKey.fingerprint;
    }
    if (!known.isEmpty()) {
        fail(SshHostKeyChanged, ChangedHostKey.arg(hostPort(), known.join(QStringLiteral(" or ")), file, offered));
        return false;
    }
    if (!m_login.acceptNewHostKey) {
        fail(SshHostKeyUnknown, UnknownHostKey.arg(hostPort(), offered));
        return false;
    }
    char* entry = nullptr;
    QString why;
    bool remembered = false;
    if (ssh_session_export_known_hosts_entry(m_session, &entry) == SSH_OK)
        remembered = KnownHostsFile::Remember(file, QByteArray(entry), why);
    else
        why = sshError();
    ssh_string_free_char(entry);
    if (!remembered) {
        fail(SshHostKeyUnknown, NewHostKeyNotRemembered.arg(hostPort(), offered, file, why));
        return false;
    }
    const QString notice = NewHostKey.arg(hostPort(), offered, file);
    post([this, notice] { emit Notice(notice); });
    return true;
}

// Tries the ways in turn: none first, which also tells what the router accepts.
bool SshTarnSocket::authenticate() {
    while (!m_methods.isEmpty()) {
        const int result = tryMethod(m_methods.first());
        if (result == SSH_AUTH_AGAIN)
            return false;
        if (result == SSH_AUTH_SUCCESS) {
            m_phase = Phase::OpeningChannel;
            m_channelStep = OpenSession;
            return true;
        }
        if (result == SSH_AUTH_ERROR) {
            fail(SshHandshakeFailed, HandshakeFailed.arg(hostPort(), sshError()));
            return false;
        }
        if (m_methods.takeFirst() == Method::None)
            planMethods();
    }
    char* user = nullptr;
    ssh_options_get(m_session, SSH_OPTIONS_USER, &user);
    const QString userName = QString::fromUtf8(user);
    ssh_string_free_char(user);
    fail(SshLoginRefused, LoginRefused.arg(userName, hostPort(),
                                           m_tried.isEmpty() ? NothingToOffer : m_tried.join(QStringLiteral(", "))));
    return false;
}

int SshTarnSocket::tryMethod(Method method) {
    switch (method) {
    case Method::None:
        return ssh_userauth_none(m_session, nullptr);
    case Method::Agent:
        return ssh_userauth_agent(m_session, nullptr);
    case Method::Key: {
        if (!m_key && ssh_pki_import_privkey_file(QFile::encodeName(m_login.keyFile).constData(), nullptr, noPassphrase,
                                                  nullptr, &m_key) != SSH_OK) {
            const QString notice = KeyFileUnusable.arg(m_login.keyFile);
            post([this, notice] { emit Notice(notice); });
            return SSH_AUTH_DENIED;
        }
        const int result = ssh_userauth_publickey(m_session, nullptr, m_key);
        if (result != SSH_AUTH_AGAIN) {
            ssh_key_free(m_key);
            m_key = nullptr;
        }
        return result;
    }
    case Method::Password:
        return ssh_userauth_password(m_session, nullptr, m_login.password.toUtf8().constData());
    }
    return SSH_AUTH_DENIED;
}

// A person's order: keys before the password. The agent is asked whenever
// the user runs one.
void SshTarnSocket::planMethods() {
    const int accepted = ssh_userauth_list(m_session, nullptr);
    if (accepted & SSH_AUTH_METHOD_PUBLICKEY) {
        if (!qEnvironmentVariableIsEmpty("SSH_AUTH_SOCK")) {
            m_methods << Method::Agent;
            m_tried << AgentMethod;
        }
        if (!m_login.keyFile.isEmpty()) {
            m_methods << Method::Key;
            m_tried << KeyMethod;
        }
    }
    if ((accepted & SSH_AUTH_METHOD_PASSWORD) && !m_login.password.isEmpty()) {
        m_methods << Method::Password;
        m_tried << PasswordMethod;
    }
}

bool SshTarnSocket::openChannel() {
    if (!m_channel && !(m_channel = ssh_channel_new(m_session))) {
        fail(SshShellRefused, ShellRefused.arg(hostPort(), sshError()));
        return false;
    }
    int result = SSH_OK;
    switch (m_channelStep) {
    case OpenSession:
        result = ssh_channel_open_session(m_channel);
        break;
    case RequestTerminal:
        result = ssh_channel_request_pty_size(m_channel, TerminalType, TerminalColumns, TerminalRows);
        break;
    case StartShell:
        result = ssh_channel_request_shell(m_channel);
        break;
    }
    if (result == SSH_AGAIN)
        return false;
    if (result != SSH_OK) {
        fail(SshShellRefused, ShellRefused.arg(hostPort(), sshError()));
        return false;
    }
    if (++m_channelStep < ChannelReady)
        return true;
    m_phase = Phase::Open;
    post([this] {
        m_state = StateConnected;
        emit Connected();
    });
    return true;
}
