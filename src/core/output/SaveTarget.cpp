#include "core/output/SaveTarget.h"

#include "core/shell/platform/FileInPlace.h"
#include "core/shell/platform/FileReplacement.h"
#include "core/shell/platform/RuntimeError.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QThread>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

enum class TargetKind { File, Device, Refused };

TargetKind kindOf(const QString &fileName)
{
    namespace fs = std::filesystem;
    std::error_code error;
    // Follows links: what counts is what the name leads to.
    const fs::file_type type = fs::status(QFileInfo(fileName).filesystemFilePath(), error).type();
    switch (type) {
    case fs::file_type::not_found:
    case fs::file_type::regular: return TargetKind::File;
    case fs::file_type::character:
    case fs::file_type::block: return TargetKind::Device;
    case fs::file_type::none:
        // The name could not be looked at (a bad name, no access): let the
        // open itself say what is wrong.
        return TargetKind::File;
    default: return TargetKind::Refused; // folder, pipe, socket
    }
}

// The temporary file lives in the target's folder and may even be unnamed (as
// on Linux), so a name the system refuses (too long, a read-only file) would
// only show when the file is put in place, after every row was written. The
// name itself is tried first, leaving no trace: an existing file is opened
// for appending and closed unchanged, a new name is created and removed at
// once. A link that leads nowhere is left to the save file, which creates
// the file it names.
bool nameTakesWrites(const QString &fileName)
{
    const QFileInfo info(fileName);
    QFile probe(fileName);
    if (info.exists())
        return probe.open(QIODevice::WriteOnly | QIODevice::Append);
    if (info.isSymLink())
        return true;
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    probe.close();
    probe.remove();
    return true;
}

// The write block outlives a save, so that the next one writes into pages
// already in place instead of faulting in a new megabyte.
QByteArray &spareWriteBlock()
{
    static QByteArray spare;
    return spare;
}

} // namespace

SaveTarget::SaveTarget(SaveRegistry *registry) : registry_(registry)
{
}

SaveTarget::~SaveTarget()
{
    abandon();
}

void SaveTarget::open(const QString &fileName, Placement placement)
{
    closeWindow();
    buffer_.swap(spareWriteBlock());
    buffer_.resize(0);
    buffer_.reserve(kFlushBytes + 4096);
    fileName_ = fileName;
    switch (kindOf(fileName)) {
    case TargetKind::Refused: throw PathFileAccessError();
    case TargetKind::Device: {
        auto file = std::make_unique<QFile>(fileName);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            throw PathFileAccessError();
        direct_ = std::move(file);
        device_ = direct_.get();
        return;
    }
    case TargetKind::File: break;
    }
    const auto throwOpenError = [&fileName] {
        if (!QFileInfo(fileName).absoluteDir().exists())
            throw PathNotFound();
        throw PathFileAccessError();
    };
    if (!nameTakesWrites(fileName))
        throwOpenError();
    const bool exists = QFileInfo(fileName).isFile();
    // A new file renamed over the old one would leave the old one's other
    // names with the old text: such a file is written in place.
    if (placement == Placement::Replace && !(exists && FileIdentity::NameCount(fileName) > 1)) {
        auto file = std::make_unique<FileReplacement>();
        // It must also become the old file's owner and group, or stand aside.
        if (file->open(fileName) && (!exists || FileIdentity::TakeOwnerOf(file->file(), fileName))) {
            save_ = std::move(file);
            device_ = &save_->file();
        }
    }
    // A folder that refuses new files has room for no temporary file beside
    // an existing one the user may write.
    if (!device_) {
        if (!exists)
            throwOpenError();
        openStaged(fileName);
    }
    if (registry_)
        registry_->registerSave(this);
}

void SaveTarget::openStaged(const QString &fileName)
{
    auto stage = std::make_unique<QTemporaryFile>(QDir::temp().filePath(
        QFileInfo(fileName).fileName().left(40) + QStringLiteral(".XXXXXX.partial")));
    if (stage->open()) {
        staged_ = std::move(stage);
    } else {
        // No temporary folder to write in: the rows wait in memory.
        auto buffer = std::make_unique<QBuffer>();
        buffer->open(QIODevice::ReadWrite);
        staged_ = std::move(buffer);
    }
    device_ = staged_.get();
}

void SaveTarget::openWindow(qsizetype n)
{
    closeWindow();
    const qsizetype at = buffer_.size();
    buffer_.resize(std::max(at + n, buffer_.capacity()));
    cursor_ = buffer_.data() + at;
    windowEnd_ = buffer_.data() + buffer_.size();
}

void SaveTarget::closeWindow()
{
    if (!cursor_)
        return;
    buffer_.truncate(cursor_ - buffer_.constData());
    cursor_ = windowEnd_ = nullptr;
}

void SaveTarget::flush()
{
    closeWindow();
    if (!device_)
        throw DeviceIOError();
    if (!buffer_.isEmpty() && device_->write(buffer_) != buffer_.size())
        throw DeviceIOError();
    buffer_.resize(0); // keeps the capacity
}

// The one moment an existing file is touched in place: filled from the staged
// rows in one go, with no events let in between. The disk must have room for
// every row before the first byte of the old file changes; a write that fails
// after that leaves the staged rows where the box says.
void SaveTarget::copyStagedOverTarget()
{
    const qint64 length = staged_->size();
    if (!staged_->seek(0))
        throw DeviceIOError();
    FileInPlace target;
    if (!target.open(fileName_))
        throw PathFileAccessError();
    if (!target.reserve(length)) {
        if (target.diskFull())
            throw DiskFull();
        throw DeviceIOError();
    }
    buffer_.resize(kFlushBytes);
    bool written = true;
    for (;;) {
        const qint64 got = staged_->read(buffer_.data(), buffer_.size());
        if (got == 0)
            break;
        if (got < 0 || !target.write(buffer_.constData(), got)) {
            written = false;
            break;
        }
    }
    buffer_.resize(0);
    if (written && target.finish(length))
        return;
    // The old file is half written: the rows must outlive this save.
    QString kept;
    if (auto *file = qobject_cast<QTemporaryFile *>(staged_.get())) {
        kept = file->fileName(); // gives an unnamed file its name
        file->setAutoRemove(false);
    } else if (save_) {
        kept = save_->keep(); // the new file that could not replace the old one
    }
    if (kept.isEmpty())
        throw DeviceIOError();
    throw DeviceIOError(QStringLiteral("; the saved rows are kept in ") + QDir::toNativeSeparators(kept));
}

// A program that holds the old file a moment (a virus scanner, an indexer)
// lets go within this; one that keeps it open (a log tool, an editor) gets
// the rows in the file it holds.
constexpr int kReplaceAttempts = 5;
constexpr int kReplacePauseMs = 100;

void SaveTarget::replaceOrWriteInPlace()
{
    for (int attempt = 1;; ++attempt) {
        switch (save_->replace()) {
        case FileReplacement::Placed::Done: return;
        case FileReplacement::Placed::Failed: throw PathFileAccessError();
        case FileReplacement::Placed::Busy: break;
        }
        if (attempt == kReplaceAttempts)
            break;
        QThread::msleep(kReplacePauseMs);
    }
    staged_ = save_->readBack();
    if (!staged_)
        throw PathFileAccessError();
    copyStagedOverTarget();
}

void SaveTarget::commit()
{
    flush();
    if (save_) {
        try {
            replaceOrWriteInPlace();
        } catch (...) {
            release();
            throw;
        }
        release();
    } else if (staged_) {
        // Released whether or not the copy worked: nothing may try it twice.
        try {
            copyStagedOverTarget();
        } catch (...) {
            release();
            throw;
        }
        release();
    } else if (direct_) {
        direct_->close();
        const bool failed = direct_->error() != QFileDevice::NoError;
        release();
        if (failed)
            throw DeviceIOError();
    }
}

void SaveTarget::abandon()
{
    if (save_)
        save_->discard();
    if (direct_)
        direct_->close();
    release(); // a staged file goes with its object
}

void SaveTarget::release()
{
    if (device_ && registry_)
        registry_->unregisterSave(this);
    // The rows read back from a new file go before it: Windows removes no
    // file that is open.
    staged_.reset();
    save_.reset();
    direct_.reset();
    device_ = nullptr;
    cursor_ = windowEnd_ = nullptr;
    // The block stays, empty, for the next save: its pages are in place.
    buffer_.resize(0);
    if (buffer_.capacity() > spareWriteBlock().capacity())
        buffer_.swap(spareWriteBlock());
    buffer_ = QByteArray();
}
