#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QFile;
class QFileDevice;
class QSaveFile;

// Told when a save opens and finishes its temporary file, so that ending the
// program in the middle of a save can drop the unfinished file.
class SaveRegistry {
public:
    virtual ~SaveRegistry() = default;
    virtual void registerSave(QSaveFile *file) = 0;
    virtual void unregisterSave(QSaveFile *file) = 0;
};

// The file a save writes to. A regular file (new or existing) is written as a
// temporary file beside it that replaces it only at commit(), so a save that
// fails or is abandoned leaves the old file exactly as it was; where the
// folder allows no new file, an existing one is written in place. A device (a
// character or block special file) has no content to keep and is written
// directly. Folders, pipes and sockets are refused: opening a pipe for
// writing would wait for a reader forever.
//
// Output collects in buffer() and goes to the file in blocks of tens of KB;
// call rowDone() after each row. Failures throw RuntimeError with the
// classic numbers: 76 for a folder that does not exist, 75 for a name that
// cannot be written, 57 for a failed write.
class SaveTarget {
public:
    explicit SaveTarget(SaveRegistry *registry = nullptr);
    ~SaveTarget(); // abandons a file that was not committed
    SaveTarget(const SaveTarget &) = delete;
    SaveTarget &operator=(const SaveTarget &) = delete;

    void open(const QString &fileName);
    bool isOpen() const { return device_ != nullptr; }

    QByteArray &buffer() { return buffer_; }
    void rowDone()
    {
        if (buffer_.size() >= kFlushBytes)
            flush();
    }

    // Writes what is left and puts the file in place.
    void commit();
    // Drops the file: the old one, if any, stays as it was. Never throws.
    void abandon();

    static constexpr qsizetype kFlushBytes = 1024 * 1024;

private:
    void flush();
    void release();

    SaveRegistry *registry_;
    std::unique_ptr<QSaveFile> save_;
    std::unique_ptr<QFile> direct_;
    QFileDevice *device_ = nullptr;
    QByteArray buffer_;
};
