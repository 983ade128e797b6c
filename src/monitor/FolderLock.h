// SPDX-License-Identifier: MIT
// One program per folder: the first start on a folder holds line-warden.lock
// in it for its whole run, and a second start on the same folder learns who
// holds it and can ask that program to show its window. A lock left by a run
// that was killed does not block: its process is gone, so the lock is stale.
// Programs on different folders run side by side.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

class FolderLock : public QObject {
    Q_OBJECT

public:
    // folder ends in a separator, as AppFolders::chosen() gives it.
    explicit FolderLock(const QString& folder, QObject* parent = nullptr);
    ~FolderLock() override;

    // Takes the lock for as long as this object lives; false when another
    // program holds it (HolderPid() says which) or it cannot be made (Problem()).
    bool Acquire();
    qint64 HolderPid() const { return m_holderPid; }
    QString Problem() const { return m_problem; }

    // While the lock is held: lets a second start ask for the window (showRequested).
    void OfferToShow();
    // Asks the program holding the folder to show its window; true when it said it did.
    bool AskHolderToShow() const;

signals:
    // A second start on this folder asked to see the running program.
    void showRequested();

private:
    void answerRequest();

    QString m_folder;
    QLockFile m_lock;
    qint64 m_holderPid = 0;
    QString m_problem;
    QLocalServer* m_server = nullptr;
};
