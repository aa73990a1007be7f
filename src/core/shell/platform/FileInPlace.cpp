#include "core/shell/platform/FileInPlace.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace FileIdentity {

#ifdef Q_OS_WIN

int NameCount(const QString &path)
{
    const QString native = QDir::toNativeSeparators(path);
    const HANDLE file = CreateFileW(reinterpret_cast<const wchar_t *>(native.utf16()), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    BY_HANDLE_FILE_INFORMATION info = {};
    const bool known = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    return known && info.nNumberOfLinks > 1 ? int(info.nNumberOfLinks) : 1;
}

bool TakeOwnerOf(QFileDevice &, const QString &)
{
    // A file's owner on Windows is its security descriptor's; a replacement
    // made by the same user in the same folder inherits what the old had.
    return true;
}

#else

int NameCount(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 1;
    return st.st_nlink > 1 ? int(st.st_nlink) : 1;
}

bool TakeOwnerOf(QFileDevice &newFile, const QString &path)
{
    struct stat old;
    struct stat made;
    if (::stat(QFile::encodeName(path).constData(), &old) != 0 || ::fstat(newFile.handle(), &made) != 0)
        return false;
    if (old.st_uid == made.st_uid && old.st_gid == made.st_gid)
        return true;
    // Only root gives a file away; a member of the old group may give it that.
    return ::fchown(newFile.handle(), old.st_uid, old.st_gid) == 0;
}

#endif

} // namespace FileIdentity

FileInPlace::~FileInPlace()
{
    close();
}

#ifdef Q_OS_WIN

bool FileInPlace::open(const QString &path)
{
    close();
    const QString native = QDir::toNativeSeparators(path);
    // Shared as a program that holds the file open for writing shares it
    // (a log tool): that is when a new file cannot be put in its place.
    const HANDLE file = CreateFileW(reinterpret_cast<const wchar_t *>(native.utf16()), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    GetFileSizeEx(file, &size);
    handle_ = file;
    size_ = size.QuadPart;
    return true;
}

bool FileInPlace::reserve(qint64 bytes)
{
    // Windows has no reservation that leaves the length alone: the file is
    // made that long, and put back to its length if the disk has no room.
    diskFull_ = false;
    if (bytes <= size_)
        return true;
    LARGE_INTEGER at;
    at.QuadPart = bytes;
    const bool room = SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN) && SetEndOfFile(handle_);
    if (!room)
        diskFull_ = GetLastError() == ERROR_DISK_FULL || GetLastError() == ERROR_HANDLE_DISK_FULL;
    at.QuadPart = size_;
    if (!room && SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN))
        SetEndOfFile(handle_);
    at.QuadPart = 0;
    SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN);
    return room;
}

bool FileInPlace::write(const char *data, qint64 bytes)
{
    while (bytes > 0) {
        DWORD written = 0;
        const DWORD chunk = DWORD(bytes > (1 << 30) ? (1 << 30) : bytes);
        if (!WriteFile(handle_, data, chunk, &written, nullptr) || written == 0) {
            diskFull_ = GetLastError() == ERROR_DISK_FULL || GetLastError() == ERROR_HANDLE_DISK_FULL;
            return false;
        }
        data += written;
        bytes -= written;
    }
    return true;
}

bool FileInPlace::finish(qint64 length)
{
    LARGE_INTEGER at;
    at.QuadPart = length;
    const bool done = SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN) && SetEndOfFile(handle_)
        && FlushFileBuffers(handle_);
    const bool closed = CloseHandle(handle_);
    handle_ = nullptr;
    return done && closed;
}

void FileInPlace::close()
{
    if (handle_)
        CloseHandle(handle_);
    handle_ = nullptr;
}

#else

bool FileInPlace::open(const QString &path)
{
    close();
    fd_ = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    struct stat st;
    size_ = ::fstat(fd_, &st) == 0 ? qint64(st.st_size) : 0;
    return true;
}

bool FileInPlace::reserve(qint64 bytes)
{
    diskFull_ = false;
    if (bytes <= 0)
        return true;
#ifdef Q_OS_LINUX
    // Blocks for the new length, the file's own length and bytes untouched.
    if (::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, off_t(bytes)) == 0)
        return true;
    if (errno != EOPNOTSUPP && errno != ENOSYS) {
        diskFull_ = errno == ENOSPC;
        return false;
    }
#endif
    // Where the file system cannot reserve without writing, the C library
    // writes zeros where the file has none yet, lengthening it; a failure
    // cuts it back to its old length.
    if (bytes <= size_)
        return true;
    const int error = ::posix_fallocate(fd_, 0, off_t(bytes));
    if (error == 0)
        return true;
    diskFull_ = error == ENOSPC;
    while (::ftruncate(fd_, off_t(size_)) != 0 && errno == EINTR) {
    }
    return false;
}

bool FileInPlace::write(const char *data, qint64 bytes)
{
    while (bytes > 0) {
        const ssize_t written = ::write(fd_, data, size_t(bytes));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            diskFull_ = written < 0 && errno == ENOSPC;
            return false;
        }
        data += written;
        bytes -= written;
    }
    return true;
}

bool FileInPlace::finish(qint64 length)
{
    const bool done = ::ftruncate(fd_, off_t(length)) == 0 && ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return done && closed;
}

void FileInPlace::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

#endif
