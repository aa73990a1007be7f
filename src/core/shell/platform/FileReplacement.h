#pragma once

#include <QString>

#include <memory>

class QFile;
class QIODevice;

// A new file beside a name, written in full and then renamed over it, so that
// until then nothing touches the old file. Unlike Qt's QSaveFile it keeps its
// bytes when the rename is refused because another program holds the old
// file (Windows' sharing violation, Linux's EBUSY for a file mounted over):
// the caller may try again, and then write them into the old file itself.
//
// On Linux the new file has no name until it is put in place (O_TMPFILE
// where the file system offers it), so a program killed midway leaves
// nothing behind; elsewhere it is a hidden name beside the old one.
class FileReplacement {
public:
    FileReplacement() = default;
    ~FileReplacement(); // discards a file not put in place
    FileReplacement(const FileReplacement &) = delete;
    FileReplacement &operator=(const FileReplacement &) = delete;

    // Creates the new file in the folder of `path` (the folder of what a
    // link leads to). It takes the old file's permissions where there is one.
    bool open(const QString &path);
    // Where the rows are written; valid while open.
    QFile &file() { return *file_; }

    enum class Placed { Done, Busy, Failed };
    // Puts what was written on the disk and renames it over the name. Busy:
    // another program holds the old file, and the new one stays for another
    // attempt or readBack(); Failed: the new file is gone.
    Placed replace();
    // The new file's bytes from the start, after a Busy.
    std::unique_ptr<QIODevice> readBack();
    // Removes the new file. Never throws.
    void discard();
    // After a Busy, where writing the old file over failed: the new file
    // stays, under the name returned (empty if it could not be given one).
    QString keep();

private:
    QString target_;  // the name to take, links followed
    QString named_;   // the new file's name, empty while it has none
    std::unique_ptr<QFile> file_;
#ifdef Q_OS_WIN
    bool closed_ = false; // the file's handle was closed for the rename
#else
    // Gives a file made without a name one beside the target; true once it has one.
    bool giveName();
    bool synced_ = false; // what was written is on the disk
#endif
};
