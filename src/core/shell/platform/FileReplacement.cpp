#include "core/shell/platform/FileReplacement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// What the name leads to: a save through a link replaces the file it names.
QString finalName(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 128 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

// A name beside the target that nothing has: "name.Ab3xYz".
QString besideName(const QString &target)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString name = target + QLatin1Char('.');
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    return name;
}

constexpr int kNameTries = 100;

} // namespace

FileReplacement::~FileReplacement()
{
    discard();
}

#ifdef Q_OS_WIN

namespace {

const wchar_t *wide(const QString &path)
{
    return reinterpret_cast<const wchar_t *>(path.utf16());
}

} // namespace

bool FileReplacement::open(const QString &path)
{
    discard();
    target_ = QDir::toNativeSeparators(finalName(path));
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int i = 0; i < kNameTries && handle == INVALID_HANDLE_VALUE; ++i) {
        named_ = besideName(target_);
        // Shared for deleting, so that it can be renamed while open.
        handle = CreateFileW(wide(named_), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS
            && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (handle == INVALID_HANDLE_VALUE) {
        named_.clear();
        return false;
    }
    const int fd = _open_osfhandle(intptr_t(handle), _O_RDWR | _O_BINARY);
    file_ = std::make_unique<QFile>();
    if (fd < 0 || !file_->open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        if (fd < 0)
            CloseHandle(handle);
        else
            _close(fd);
        file_.reset();
        DeleteFileW(wide(named_));
        named_.clear();
        return false;
    }
    closed_ = false;
    return true;
}

FileReplacement::Placed FileReplacement::replace()
{
    if (!file_ || named_.isEmpty())
        return Placed::Failed;
    if (!closed_) {
        const bool synced = FlushFileBuffers(HANDLE(_get_osfhandle(file_->handle())));
        file_->close();
        closed_ = true;
        if (!synced || file_->error() != QFileDevice::NoError) {
            discard();
            return Placed::Failed;
        }
    }
    if (MoveFileExW(wide(named_), wide(target_), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        named_.clear();
        file_.reset();
        return Placed::Done;
    }
    switch (GetLastError()) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED: // held open without delete sharing, or a folder that forbids replacing
        return Placed::Busy;
    default:
        discard();
        return Placed::Failed;
    }
}

std::unique_ptr<QIODevice> FileReplacement::readBack()
{
    auto back = std::make_unique<QFile>(named_);
    if (named_.isEmpty() || !back->open(QIODevice::ReadOnly))
        return nullptr;
    return back;
}

void FileReplacement::discard()
{
    if (file_)
        file_->close();
    file_.reset();
    if (!named_.isEmpty())
        DeleteFileW(wide(named_));
    named_.clear();
}

QString FileReplacement::keep()
{
    const QString kept = named_;
    file_.reset();
    named_.clear();
    return kept;
}

#else

namespace {

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

} // namespace

bool FileReplacement::open(const QString &path)
{
    discard();
    target_ = finalName(path);
    struct stat old;
    const bool exists = ::stat(encoded(target_).constData(), &old) == 0 && S_ISREG(old.st_mode);
    // Private until it has the old file's permissions; a new file gets what
    // the user's umask leaves of 0666.
    const mode_t mode = exists ? 0600 : 0666;
    int fd = -1;
#ifdef O_TMPFILE
    fd = ::open(encoded(QFileInfo(target_).absolutePath()).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
#endif
    for (int i = 0; fd < 0 && i < kNameTries; ++i) {
        named_ = besideName(target_);
        fd = ::open(encoded(named_).constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        named_.clear();
        return false;
    }
    synced_ = false;
    if (exists)
        ::fchmod(fd, old.st_mode & 07777);
    file_ = std::make_unique<QFile>();
    if (!file_->open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        file_.reset();
        discard();
        return false;
    }
    return true;
}

FileReplacement::Placed FileReplacement::replace()
{
    if (!file_)
        return Placed::Failed;
    const int fd = file_->handle();
    if (!synced_ && ::fdatasync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        discard();
        return Placed::Failed;
    }
    synced_ = true;
    if (!giveName()) {
        discard();
        return Placed::Failed;
    }
    if (::rename(encoded(named_).constData(), encoded(target_).constData()) == 0) {
        named_.clear();
        file_.reset();
        return Placed::Done;
    }
    if (errno != EBUSY) {
        discard();
        return Placed::Failed;
    }
    // The name stays for the next attempt: a file made without one cannot
    // be given one again once its last name went.
    return Placed::Busy;
}

std::unique_ptr<QIODevice> FileReplacement::readBack()
{
    if (!file_)
        return nullptr;
    const int fd = ::dup(file_->handle());
    auto back = std::make_unique<QFile>();
    if (fd < 0 || !back->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle) || !back->seek(0)) {
        if (fd >= 0 && !back->isOpen())
            ::close(fd);
        return nullptr;
    }
    return back;
}

void FileReplacement::discard()
{
    file_.reset(); // closes it: an unnamed file goes with its last handle
    if (!named_.isEmpty())
        ::unlink(encoded(named_).constData());
    named_.clear();
}

bool FileReplacement::giveName()
{
    // An unnamed file takes a name beside the old one through the link the
    // system keeps of its open files.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(file_->handle());
    for (int i = 0; named_.isEmpty() && i < kNameTries; ++i) {
        const QString name = besideName(target_);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, encoded(name).constData(), AT_SYMLINK_FOLLOW) == 0)
            named_ = name;
        else if (errno != EEXIST)
            break;
    }
    return !named_.isEmpty();
}

QString FileReplacement::keep()
{
    if (file_)
        giveName();
    const QString kept = named_;
    file_.reset();
    named_.clear();
    return kept;
}

#endif
