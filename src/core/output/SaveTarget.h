#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstring>
#include <memory>

class FileReplacement;
class QFile;
class QFileDevice;
class QIODevice;
class SaveTarget;

// Told when a save opens and finishes, so that ending the program in the
// middle of a save can drop the unfinished file.
class SaveRegistry {
public:
    virtual ~SaveRegistry() = default;
    virtual void registerSave(SaveTarget *target) = 0;
    virtual void unregisterSave(SaveTarget *target) = 0;
};

// The file a save writes to. Until commit() nothing touches an existing file:
// a save that fails or is abandoned leaves it exactly as it was.
// - A regular file (new or existing) is written as a temporary file beside it
//   that replaces it at commit(). Where another program holds the old file
//   so that it cannot be replaced (Windows' sharing violation, a file mounted
//   over on Linux), commit() tries again for a moment, then writes the rows
//   into the old file itself, as below.
// - An existing file is written in place where a file put in its place would
//   not be the same file: it has other names (hard links), or a new file
//   cannot be given its owner and group; and where the folder allows no new
//   file. The rows are staged in a temporary file in the user's temporary
//   folder (in memory where none can be made there) and copied over the file
//   only at commit(), once the disk has room for them all; should a write
//   fail after that, the staged file stays and the error names it.
// - A device (a character or block special file) has no content to keep and
//   is written directly.
// Folders, pipes and sockets are refused: opening a pipe for writing would
// wait for a reader forever.
//
// Output collects in buffer() and goes out in blocks; call rowDone() after
// each row. Failures throw RuntimeError with the classic numbers: 76 for a
// folder that does not exist, 75 for a name that cannot be written, 57 for a
// failed write, 61 for a disk without room for a file written in place.
class SaveTarget {
public:
    // Tests reach the in-place path with InPlace, which a folder's permissions
    // would otherwise decide (and never do for root).
    enum class Placement { Replace, InPlace };

    explicit SaveTarget(SaveRegistry *registry = nullptr);
    ~SaveTarget(); // abandons a file that was not committed
    SaveTarget(const SaveTarget &) = delete;
    SaveTarget &operator=(const SaveTarget &) = delete;

    void open(const QString &fileName, Placement placement = Placement::Replace);
    bool isOpen() const { return device_ != nullptr; }

    QByteArray &buffer()
    {
        closeWindow();
        return buffer_;
    }
    // Bytes that go out as they are (and a line with its CR LF), copied
    // straight into the block without the checks of a QByteArray append,
    // which cost more than the copy of a short row. Mix freely with buffer().
    void append(QByteArrayView bytes)
    {
        if (windowEnd_ - cursor_ < bytes.size())
            openWindow(bytes.size());
        if (!bytes.isEmpty())
            std::memcpy(cursor_, bytes.data(), size_t(bytes.size()));
        cursor_ += bytes.size();
    }
    void appendLine(QByteArrayView line)
    {
        const qsizetype n = line.size() + 2;
        if (windowEnd_ - cursor_ < n)
            openWindow(n);
        if (!line.isEmpty())
            std::memcpy(cursor_, line.data(), size_t(line.size()));
        cursor_[line.size()] = '\r';
        cursor_[line.size() + 1] = '\n';
        cursor_ += n;
    }
    void rowDone()
    {
        if ((cursor_ ? cursor_ - buffer_.constData() : buffer_.size()) >= kFlushBytes)
            flush();
    }

    // Writes out the rows collected so far: after the last row, so that a
    // failure to write it shows as the row's and not as the commit's.
    void writeRows() { flush(); }
    // Writes what is left and puts the file in place.
    void commit();
    // Drops what was written: the old file, if any, stays as it was. Never throws.
    void abandon();

    static constexpr qsizetype kFlushBytes = 1024 * 1024;

private:
    void flush();
    // append and appendLine write into the buffer's spare room,
    // [cursor_, windowEnd_), which the buffer counts as its own until
    // closeWindow() cuts it back to what was written.
    void openWindow(qsizetype n);
    void closeWindow();
    void openStaged(const QString &fileName);
    void copyStagedOverTarget();
    void replaceOrWriteInPlace();
    void release();

    SaveRegistry *registry_;
    QString fileName_;
    std::unique_ptr<FileReplacement> save_;
    std::unique_ptr<QFile> direct_;
    std::unique_ptr<QIODevice> staged_;
    QIODevice *device_ = nullptr;
    QByteArray buffer_;
    char *cursor_ = nullptr;
    char *windowEnd_ = nullptr;
};
