// SPDX-License-Identifier: MIT
#include "OwnFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes all of bytes at offset (or at the end, for a file opened to append); errno on failure.
bool writeAll(int fd, const QByteArray& bytes, off_t offset = -1) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = offset < 0 ? ::write(fd, bytes.constData() + done, bytes.size() - done)
                                     : ::pwrite(fd, bytes.constData() + done, bytes.size() - done, offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? false : (errno = ENOSPC, false);
        done += n;
    }
    return true;
}

// Closes a descriptor at the end of a scope.
struct Closer {
    int fd;
    ~Closer() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

OwnFile::OwnFile(const QString& path, Access access, unsigned createMode) : m_path(path) {
    open(access, createMode);
}

OwnFile::~OwnFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void OwnFile::open(Access access, unsigned createMode) {
    const QByteArray name = QFile::encodeName(m_path);
    // Something other than a regular file is not even opened: opening a device may do things of its own.
    struct stat named {};
    if (::lstat(name.constData(), &named) == 0 && !S_ISREG(named.st_mode) && !S_ISLNK(named.st_mode)) {
        m_error = QStringLiteral("not a regular file");
        return;
    }
    // Non-blocking, so that a FIFO swapped in meanwhile cannot hold open() for ever.
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    flags |= access == Access::Read ? O_RDONLY : access == Access::Append ? O_WRONLY | O_APPEND : O_RDWR;
    m_fd = ::open(name.constData(), flags | O_NOFOLLOW | (access == Access::Append ? O_CREAT : 0), createMode);
    if (m_fd >= 0) {
        accept(false);
        return;
    }
    if (errno != ELOOP) {
        fail(errno);
        return;
    }
    // A link: only the user's own, and only to the user's own file, checked below on what it opened.
    if (::lstat(name.constData(), &named) != 0 || !S_ISLNK(named.st_mode)) {
        fail(errno == ENOENT ? ENOENT : ELOOP);
        return;
    }
    if (named.st_uid != ::geteuid()) {
        refusePlanted("a link that another user made");
        return;
    }
    // Never created or truncated through a link: that would happen before the descriptor can be checked.
    m_fd = ::open(name.constData(), flags);
    if (m_fd < 0) {
        fail(errno);
        return;
    }
    accept(true);
}

void OwnFile::accept(bool throughLink) {
    struct stat opened {};
    if (::fstat(m_fd, &opened) != 0) {
        fail(errno);
        return;
    }
    if (!S_ISREG(opened.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        m_error = QStringLiteral("not a regular file");
        return;
    }
    const bool others = opened.st_uid != ::geteuid();
    if (others && throughLink) {
        refusePlanted("a link to a file of another user");
        return;
    }
    // Another hard name of someone else's file, made in this folder, is as planted as a link.
    if (others && opened.st_nlink > 1) {
        refusePlanted("a second name of a file of another user");
        return;
    }
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    m_owner = opened.st_uid;
    m_group = opened.st_gid;
    m_device = opened.st_dev;
    m_inode = opened.st_ino;
    m_state = State::Open;
}

void OwnFile::fail(int error) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_state = error == ENOENT ? State::Missing : State::Failed;
    m_error = errorText(error);
}

void OwnFile::refusePlanted(const char* what) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_state = State::Planted;
    m_error = QStringLiteral("it is %1").arg(QLatin1String(what));
    qWarning("%s is left alone: %s", qPrintable(m_path), qPrintable(m_error));
}

bool OwnFile::sameFileAs(const OwnFile& other) const {
    return isOpen() && other.isOpen() && m_device == other.m_device && m_inode == other.m_inode;
}

std::optional<QByteArray> OwnFile::readAll() {
    if (!isOpen())
        return std::nullopt;
    QByteArray content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::pread(m_fd, buffer, sizeof buffer, off_t(content.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            m_error = errorText(errno);
            return std::nullopt;
        }
        if (n == 0)
            return content;
        content.append(buffer, n);
    }
}

bool OwnFile::append(const QByteArray& bytes) {
    struct stat before {};
    if (!isOpen() || ::fstat(m_fd, &before) != 0)
        return false;
    if (writeAll(m_fd, bytes))
        return true;
    m_error = errorText(errno);
    if (::ftruncate(m_fd, before.st_size) != 0)
        qWarning("%s keeps a part line: %s", qPrintable(m_path), std::strerror(errno));
    return false;
}

bool OwnFile::restrictTo(unsigned mode) {
    if (isOpen() && ::fchmod(m_fd, mode) == 0)
        return true;
    m_error = errorText(errno);
    return false;
}

namespace {

// The old file's content replaced where it lies, for a folder that allows no
// new file: permissions first, so that no byte sits in a file others may read.
bool rewriteInPlace(const OwnFile& old, const QByteArray& bytes, unsigned mode, QString* error) {
    OwnFile file(old.path(), OwnFile::Access::Update);
    if (!file.sameFileAs(old)) {
        *error = file.isOpen() ? QStringLiteral("it changed while it was written") : file.errorString();
        return false;
    }
    if (::fchmod(file.handle(), mode) != 0 || !writeAll(file.handle(), bytes, 0) ||
        ::ftruncate(file.handle(), off_t(bytes.size())) != 0) {
        *error = errorText(errno);
        return false;
    }
    return true;
}

} // namespace

bool OwnFile::CopyNew(const QString& from, const QString& to, unsigned mode) {
    if (QFileInfo::exists(to))
        return false;
    OwnFile source(from, Access::Read);
    const std::optional<QByteArray> bytes = source.readAll();
    return bytes && Replace(to, *bytes, mode);
}

bool OwnFile::Replace(const QString& path, const QByteArray& bytes, unsigned mode, QString* errorString) {
    QString ignored;
    QString* const error = errorString ? errorString : &ignored;
    const OwnFile old(path, Access::Read);
    if (old.state() == State::Planted || old.state() == State::Failed) {
        *error = old.errorString();
        return false;
    }
    // Beside the file itself: for the user's own link, beside its target.
    const QFileInfo where(old.isOpen() ? QFileInfo(path).canonicalFilePath() : path);
    const Closer folder{
        ::open(QFile::encodeName(where.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    const QByteArray name = QFile::encodeName(where.fileName());
    struct stat there {};
    if (folder.fd < 0) {
        *error = errorText(errno);
        return false;
    }
    // The name must still be the file that was checked, whatever was swapped in meanwhile.
    if (old.isOpen() && (::fstatat(folder.fd, name.constData(), &there, AT_SYMLINK_NOFOLLOW) != 0 ||
                         there.st_dev != old.m_device || there.st_ino != old.m_inode)) {
        *error = QStringLiteral("it changed while it was written");
        return false;
    }
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temporary = '.' + name + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::openat(folder.fd, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        if (old.isOpen() && (errno == EACCES || errno == EPERM))
            return rewriteInPlace(old, bytes, mode, error);
        *error = errorText(errno);
        return false;
    }
    const Closer written{fd};
    // Made by whoever runs the program: one run as root must not take the file over.
    if (old.isOpen() && (old.m_owner != ::geteuid() || old.m_group != ::getegid()) &&
        ::fchown(fd, old.m_owner, old.m_group) != 0)
        qWarning("%s keeps a new owner: %s", qPrintable(path), std::strerror(errno));
    if (::fchmod(fd, mode) != 0 || !writeAll(fd, bytes) || ::fsync(fd) != 0 ||
        ::renameat(folder.fd, temporary.constData(), folder.fd, name.constData()) != 0) {
        *error = errorText(errno);
        ::unlinkat(folder.fd, temporary.constData(), 0);
        return false;
    }
    return true;
}
