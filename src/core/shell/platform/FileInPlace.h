#pragma once

#include <QString>

class QFileDevice;

// What a save must keep of the file it replaces. Renaming a new file over an
// old one makes a new file under the old name: another name of the old file
// (a hard link) keeps the old text, and the owner and group become the saver's.
namespace FileIdentity {

// How many names the file has; 1 where the system does not tell.
int NameCount(const QString &path);

// Gives the new, open file the owner and group of the file at path, where
// they differ. False when this user may not give them.
bool TakeOwnerOf(QFileDevice &newFile, const QString &path);

} // namespace FileIdentity

// An existing file written over in place, so that it stays the same file:
// its other names, owner, group and mode stay. Nothing of it changes before
// the first write(), and reserve() makes sure beforehand that the disk has
// room for the new length. Writes go from the start, one after another.
class FileInPlace {
public:
    FileInPlace() = default;
    ~FileInPlace(); // closes, cutting nothing
    FileInPlace(const FileInPlace &) = delete;
    FileInPlace &operator=(const FileInPlace &) = delete;

    // For writing, without emptying it.
    bool open(const QString &path);
    // Room for `bytes` on the disk, the file's length left as it was. False
    // when the disk cannot give it; the file is then exactly as it was.
    bool reserve(qint64 bytes);
    bool write(const char *data, qint64 bytes);
    // Cuts the file to `length`, puts it on the disk and closes it.
    bool finish(qint64 length);
    // Whether the last failure was a full disk.
    bool diskFull() const { return diskFull_; }

private:
    void close();

#ifdef Q_OS_WIN
    void *handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    qint64 size_ = 0;
    bool diskFull_ = false;
};
