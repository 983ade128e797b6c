// SPDX-License-Identifier: MIT
// The program's own files in its folder (settings.ini, the statistics and log
// files, the lock, known_hosts), opened so that whoever else can write that
// folder cannot make us write, read or chmod another file through them.
//
// A name is opened without following a link. A link is followed only when the
// link itself and the file finally opened both belong to the user running the
// program, so that a user's own link keeps working; a second hard name of
// someone else's file is refused the same way. Every decision is taken on the
// opened descriptor, never on a path checked earlier, and a refused file is
// left alone with a warning naming it. Only regular files are opened: a FIFO
// could hold the program for ever, a device could be anything.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

class OwnFile {
public:
    enum class Access {
        Read,
        Append, // created when missing (never through a link)
        Update, // read and write in place; never created
    };
    enum class State {
        Open,
        Missing, // no file of that name (or the user's own link leads nowhere)
        Planted, // someone else's link or hard name: refused, and already warned about
        Failed,  // cannot be opened, or not a regular file: errorString() says why
    };

    // createMode: the new file's permissions (the umask applies) when Append creates it.
    OwnFile(const QString& path, Access access, unsigned createMode = 0666);
    ~OwnFile();
    OwnFile(const OwnFile&) = delete;
    OwnFile& operator=(const OwnFile&) = delete;

    State state() const { return m_state; }
    bool isOpen() const { return m_state == State::Open; }
    const QString& path() const { return m_path; }
    QString errorString() const { return m_error; }
    int handle() const { return m_fd; }
    bool sameFileAs(const OwnFile& other) const;

    // The whole content from the start.
    std::optional<QByteArray> readAll();
    // The bytes at the end in one write, all or none: what fitted of a short
    // write (a full disk) is cut off again, so that the next append starts a line.
    bool append(const QByteArray& bytes);
    // Gives the file these permissions, e.g. 0600 for one that holds a password.
    bool restrictTo(unsigned mode);

    // Makes bytes the whole content of path in one step: a new file beside the
    // one it replaces (beside the link's target for the user's own link, which
    // stays a link), given the old file's owner and group, then renamed over it,
    // so that a reader sees the old or the new content, never a part. Where the
    // folder allows no new file the old file is rewritten in place. A file that
    // exists but cannot be read, or is not the program's own, is left as it is.
    // The result has permissions mode. False, with errorString(), when nothing changed.
    static bool Replace(const QString& path, const QByteArray& bytes, unsigned mode, QString* errorString = nullptr);

    // Copies the program's own file at from to to, where nothing lies yet,
    // with permissions mode. True when it did.
    static bool CopyNew(const QString& from, const QString& to, unsigned mode);

private:
    void open(Access access, unsigned createMode);
    void accept(bool throughLink);
    void fail(int error);
    void refusePlanted(const char* what);

    QString m_path;
    int m_fd = -1;
    State m_state = State::Failed;
    QString m_error;
    unsigned m_owner = 0;
    unsigned m_group = 0;
    quint64 m_device = 0;
    quint64 m_inode = 0;
};
