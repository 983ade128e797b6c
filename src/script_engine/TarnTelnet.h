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

#include "Conversation.h"
#include "ReceiveBuffer.h"

class SshTarnSocket;
class TarnSocket;
struct TarnError;
struct ScriptLine;

class TarnTelnet : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString ConsoleLog READ ConsoleLog WRITE setConsoleLog)
    Q_PROPERTY(qint32 Mode READ Mode WRITE setMode)
    Q_PROPERTY(bool WaitForReboot READ WaitForReboot WRITE setWaitForReboot)
    Q_PROPERTY(qint64 MaxAnswer READ MaxAnswer WRITE setMaxAnswer)
    Q_PROPERTY(QString Caption READ Caption CONSTANT)
    // The login of "HOST ssh:ADDRESS [PORT]" lines: see SshLogin.
    Q_PROPERTY(QString SshUser READ SshUser WRITE setSshUser)
    Q_PROPERTY(QString SshPassword READ SshPassword WRITE setSshPassword)
    Q_PROPERTY(QString SshKeyFile READ SshKeyFile WRITE setSshKeyFile)
    Q_PROPERTY(QString SshKnownHosts READ SshKnownHosts WRITE setSshKnownHosts)
    Q_PROPERTY(bool SshAcceptNewHostKey READ SshAcceptNewHostKey WRITE setSshAcceptNewHostKey)

public:
    // What Mode selects; any number other than 1 and 2 behaves as 0.
    enum class ScriptMode : qint32 {
        Telnet = 0,
        LoginCheck = 1, // telnet, and "Login incorrect" fails the script
        Ftp = 2,        // FTP control connection, passive data connection for PUT
    };
    Q_ENUM(ScriptMode)

    // Why a run failed. Reported beside the log lines and events, which stay
    // as they are, so that a host can end at once a run that can no longer
    // succeed, and say why.
    enum class Failure {
        None,
        Refused,    // nothing listens at the address and port
        NoRoute,    // the address cannot be reached, or the name not found
        Lost,       // reset or closed by the peer before the script's end
        TooLong,    // more than MaxAnswer bytes arrived (comes with ScriptError)
        FtpAborted, // the FTP data side failed or a "227" reply was unusable; the script was aborted
        // Over SSH, reported with ScriptError(false):
        LoginRefused,   // neither the password nor a key was accepted
        HostKeyUnknown, // the router's key is not known, and new keys are not accepted
        HostKeyChanged, // the router offered another key than the one known for it
    };
    Q_ENUM(Failure)

    // Received bytes a run keeps unless the host sets another bound: thousands
    // of times a router's longest answer, yet a small share of a desktop's memory.
    static constexpr qint64 DefaultMaxAnswer = qint64(16) << 20;

    // The high-resolution counter behind the log's time stamps.
    struct Clock {
        std::function<qint64()> ticks;
        qint64 frequency; // ticks per second
    };
    using Sleep = std::function<void(int milliseconds)>;

    // A control on real TCP sockets, the system clock and a real sleep.
    explicit TarnTelnet(QObject* parent = nullptr);
    // The same with its own DELAY sleep, for a host that bounds a run's time.
    explicit TarnTelnet(Sleep sleep, QObject* parent = nullptr);
    // Takes ownership of both sockets.
    TarnTelnet(TarnSocket* wsMain, TarnSocket* wsData, Sleep sleep, Clock clock, QObject* parent = nullptr);
    ~TarnTelnet() override;

    QString ConsoleLog() const { return m_consoleLog; }
    void setConsoleLog(const QString& New_Val) { m_consoleLog = New_Val; }
    qint32 Mode() const { return m_mode; }
    void setMode(qint32 New_Val) { m_mode = New_Val; }
    bool WaitForReboot() const { return m_waitForReboot; }
    void setWaitForReboot(bool New_Val) { m_waitForReboot = New_Val; }
    // The most bytes one run receives on its main connection; past it the run fails as TooLong.
    qint64 MaxAnswer() const { return m_maxAnswer; }
    void setMaxAnswer(qint64 New_Val) { m_maxAnswer = New_Val; }
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

    // Starts a script; an empty text runs the stored script again. Returns once
    // the first line that waits for the network has been started.
    void RunScript(const QString& strScript);
    // Closes both connections and makes the script end at its next step.
    void AbortScript();
    // A copy of the conversation: entry = command, "¤", answer lines joined by CR LF.
    void GetConversation(QStringList& strCommandArray) const;
    // Frees what the last run received (conversation, log, buffer): for a
    // host that gave the run up and reads nothing of it.
    void DiscardRun();

signals:
    void ScriptProgress(qint16 intProgress);
    void ScriptComplete();
    void ScriptError(bool blnUnrecognised);
    void FTPSendComplete(const QString& strFile);
    void LogUpdate(const QString& strMessage);
    // The run can no longer succeed and no ScriptError tells so: its main
    // connection failed or was closed before the script's end, or its FTP
    // data side failed. See Failure.
    void ConnectionFailed(TarnTelnet::Failure failure);

private:
    ScriptMode CurrentMode() const;

    // Interpreter
    void RunNextLine();
    bool ExecuteNextLine();
    void FailScript(const TarnError& error);
    void ArmFollowingWait();
    void ArmWait(const QString& text);
    void DelayLine(const ScriptLine& line);
    // The one place a HOST line reaches the network.
    void OpenMainConnection(const ScriptLine& line);

    // Connection, receive buffer and conversation
    void wsMain_DataArrival();
    void wsMain_SendComplete();
    void wsMain_Error(int number, const QString& description);
    void wsMain_PeerClosed();
    void ReportFailure(Failure failure);
    void AnswerTooLong(qint64 received);
    void HandleReceivedText(const QString& text);
    bool WaitSatisfied(const QString& piece);
    void FlushReceiveBuffer();
    void StartConversationEntry(const QString& command);
    void CloseConnections();
    void WriteLog(QStringView message);
    double GetSeconds() const;
    void LetEventsRun();

    // SSH as the main connection
    void CreateSshSocket();
    // Strips the scheme from the host and gives SSH its default port.
    void ChooseMainSocket(QString& strHost, QString& strPort);
    void wsSsh_Error(int number, const QString& description);

    // FTP data channel
    bool OpenDataConnection(const QString& reply);
    void SendFile(const QString& path);
    void AbortFtp();
    void wsData_Connect();
    void wsData_SendComplete();
    void wsData_PeerClosed();
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
    qint64 m_maxAnswer = DefaultMaxAnswer;
    Failure m_lastFailure = Failure::None;

    // Interpreter state
    QString strScriptText;
    QStringList strLines;
    qint32 lngLine = 0;
    qint32 lngLastLine = 0;
    bool blnEnded = false;
    bool blnWaiting = false;
    QString strWaitText;

    // Connection state
    ReceiveBuffer strReceived;
    Conversation strConversation;
    qint64 m_receivedThisRun = 0; // bytes, against MaxAnswer
    double dblStartTime = 0;

    // FTP data channel
    enum class Upload { None, Sending, Ending };
    QString strUploadFile;
    Upload m_upload = Upload::None;
};
