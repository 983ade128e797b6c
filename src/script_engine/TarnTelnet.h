// SPDX-License-Identifier: MIT
// TarnTelnet runs scripts of a small line language (HOST, SEND, WAIT, DELAY,
// ECHO, STOR, PUT, "#") against a telnet or FTP server and reports progress,
// completion, errors and a running log through its signals. It never blocks on
// the network: a line that connects, sends or waits returns, and the next line
// is started by a socket event or a matched WAIT. Only DELAY sleeps.
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

#include "EchoScanner.h"
#include "ResumableSearch.h"

class SshTarnSocket;
class TarnSocket;
struct TarnError;

class TarnTelnet : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString ConsoleLog READ ConsoleLog WRITE setConsoleLog)
    Q_PROPERTY(qint32 Mode READ Mode WRITE setMode)
    Q_PROPERTY(bool WaitForReboot READ WaitForReboot WRITE setWaitForReboot)
    Q_PROPERTY(QString Caption READ Caption CONSTANT)
    // The login of "HOST ssh:ADDRESS [PORT]" lines: see SshLogin.
    Q_PROPERTY(QString SshUser READ SshUser WRITE setSshUser)
    Q_PROPERTY(QString SshPassword READ SshPassword WRITE setSshPassword)
    Q_PROPERTY(QString SshKeyFile READ SshKeyFile WRITE setSshKeyFile)
    Q_PROPERTY(QString SshKnownHosts READ SshKnownHosts WRITE setSshKnownHosts)
    Q_PROPERTY(bool SshAcceptNewHostKey READ SshAcceptNewHostKey WRITE setSshAcceptNewHostKey)

public:
    // Why the main connection failed while a script ran. Reported beside the
    // log lines and events, which stay as they are, so that a host can end at
    // once a run that can no longer succeed.
    enum class Failure {
        None,
        Refused, // nothing listens at the address and port
        NoRoute, // the address cannot be reached, or the name not found
        Lost,    // reset or closed by the peer before the script's end
        // Over SSH, reported with ScriptError(false):
        LoginRefused,   // neither the password nor a key was accepted
        HostKeyUnknown, // the router's key is not known, and new keys are not accepted
        HostKeyChanged, // the router offered another key than the one known for it
    };
    Q_ENUM(Failure)

    // The high-resolution counter behind the log's time stamps.
    struct Clock {
        std::function<qint64()> ticks;
        qint64 frequency; // ticks per second
    };
    using Sleep = std::function<void(int milliseconds)>;

    // A control on real TCP sockets, the system clock and a real sleep.
    explicit TarnTelnet(QObject* parent = nullptr);
    // Takes ownership of both sockets.
    TarnTelnet(TarnSocket* wsMain, TarnSocket* wsData, Sleep sleep, Clock clock, QObject* parent = nullptr);
    ~TarnTelnet() override;

    QString ConsoleLog() const { return m_consoleLog; }
    void setConsoleLog(const QString& New_Val) { m_consoleLog = New_Val; }
    qint32 Mode() const { return m_mode; }
    void setMode(qint32 New_Val) { m_mode = New_Val; }
    bool WaitForReboot() const { return m_waitForReboot; }
    void setWaitForReboot(bool New_Val) { m_waitForReboot = New_Val; }
    QString Caption() const;
    // The failure of the current or last run; None while nothing failed.
    Failure LastFailure() const { return m_lastFailure; }
    QString SshUser() const;
    void setSshUser(const QString& New_Val);
    QString SshPassword() const;
    void setSshPassword(const QString& New_Val);
    QString SshKeyFile() const;
    void setSshKeyFile(const QString& New_Val);
    QString SshKnownHosts() const;
    void setSshKnownHosts(const QString& New_Val);
    bool SshAcceptNewHostKey() const;
    void setSshAcceptNewHostKey(bool New_Val);
    // The SSH connection's own words for the failure of the current or last
    // run (a refused host key or login, a failed key exchange), as the log
    // has them; empty when the run did not end that way.
    QString SshFailureText() const { return m_sshFailureText; }

    // Starts a script; an empty text runs the stored script again. Returns once
    // the first line that waits for the network has been started.
    void RunScript(const QString& strScript);
    // Closes both connections and makes the script end at its next step.
    void AbortScript();
    // A copy of the conversation: entry = command, "¤", answer lines joined by CR LF.
    void GetConversation(QStringList& strCommandArray) const;

signals:
    void ScriptProgress(qint16 intProgress);
    void ScriptComplete();
    void ScriptError(bool blnUnrecognised);
    void FTPSendComplete(const QString& strFile);
    void LogUpdate(const QString& strMessage);
    // The main connection failed or was closed before the script's end; see Failure.
    void ConnectionFailed(TarnTelnet::Failure failure);
    // What the SSH connection tells that is no failure and no answer: a new
    // host key remembered, a key file that cannot be used. Also in the log.
    void SshNotice(const QString& line);

private:
    // Interpreter
    void RunNextLine();
    bool ExecuteNextLine();
    void FailScript(const TarnError& error);
    void ArmFollowingWait();
    void ArmWait(const QString& text);
    void DelayLine();

    // Connection, receive buffer and conversation
    void wsMain_DataArrival();
    void wsMain_SendComplete();
    void wsMain_Error(int number, const QString& description);
    void wsMain_PeerClosed();
    void ReportFailure(Failure failure);
    void HandleReceivedText(const QString& text);
    bool WaitSatisfied(const QString& piece);
    void AppendToReceiveBuffer(const QString& text);
    void FlushReceiveBuffer();
    void ClearReceiveBuffer();
    void StartConversationEntry(const QString& command);
    void AppendToConversation(QStringView text);
    void CloseConnections();
    void WriteLog(QStringView message);
    double GetSeconds() const;
    void LetEventsRun();

    // SSH as the main connection
    void CreateSshSocket();
    void ChooseMainSocket();
    void wsSsh_Error(int number, const QString& description);

    // FTP data channel
    bool OpenDataConnection(const QString& reply);
    void SendFile(const QString& path);
    void wsData_Connect();
    void wsData_SendComplete();
    void wsData_Error(int number, const QString& description);

    TarnSocket* wsMain; // the socket the last HOST line chose: wsTelnet or wsSsh
    TarnSocket* wsData;
    TarnSocket* wsTelnet;
    SshTarnSocket* wsSsh = nullptr;
    Sleep m_sleep;
    Clock m_clock;

    // Public properties
    QString m_consoleLog;
    qint32 m_mode = 0;
    bool m_waitForReboot = false;
    Failure m_lastFailure = Failure::None;
    QString m_sshFailureText;

    // Interpreter state
    QString strScriptText;
    QStringList strLines;
    qint32 lngLine = 0;
    qint32 lngLastLine = 0;
    bool blnEnded = false;
    qint16 intPercent = 0;
    QString strLine;
    QString strArgument;
    QString strWaitText;
    bool blnWaiting = false;
    QString strHost;
    QString strPort;
    QString strQuote;

    // Connection state
    QString strReceived;
    QString strLastCommand;
    QStringList strConversation;
    qint32 lngEntry = 0;
    double dblStartTime = 0;
    qint64 curFrequency = 1;
    EchoScanner m_echo;            // the echo of strLastCommand, removed once
    ResumableSearch m_waitSearch;  // strWaitText in strReceived
    ResumableSearch m_loginSearch; // a refused login in strReceived (mode 1)

    // FTP data channel
    QString strUploadFile;
};
