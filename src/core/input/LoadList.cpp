#include "core/input/LoadList.h"

#include "core/input/LineSplitter.h"

#include "core/shell/platform/CodePage.h"
#include "core/shell/platform/LargeBlocks.h"
#include "core/shell/controls/ListModel.h"
#include "core/shell/platform/Platform.h"
#include "core/shell/platform/RuntimeError.h"
#include "core/shell/platform/YieldGate.h"
#include "core/shell/handlers/MemoryCheck.h"
#include "core/shell/handlers/Startup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

namespace Main {

namespace {


QString collapsePairs(QStringView text, QChar separator)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == separator && i + 1 < text.size() && text[i + 1] == separator)
            ++i;
    }
    return out;
}

} // namespace

void AppendListLine(ListModel &list, QByteArrayView line, const CodePage &page)
{
    // Stored bytes are UTF-8. ASCII reads the same in every code page, and on
    // a UTF-8 system any valid line does: only the rest needs decoding.
    if (page.isUtf8() ? line.isValidUtf8() : IsAscii(line)) {
        list.addUtf8(line);
        return;
    }
    // A line that is not text in the code page (an older tool's Windows-1252
    // on a UTF-8 system, a byte Shift-JIS cannot read, a character it would
    // write back under another code) keeps its bytes: as text it would come
    // back changed, and the saves write the bytes instead.
    QString text;
    if (!page.isUtf8() && page.readsBackExactly(line, &text))
        list.add(text);
    else
        list.addRaw(line);
}

void AppendListLine(ListModel &list, QByteArrayView line)
{
    AppendListLine(list, line, CodePage::system());
}

namespace {

enum class Marked { None, Utf8, Utf16LE, Utf16BE };

Marked byteOrderMark(QByteArrayView start)
{
    if (start.startsWith("\xEF\xBB\xBF"))
        return Marked::Utf8;
    if (start.startsWith("\xFF\xFE"))
        return Marked::Utf16LE;
    if (start.startsWith("\xFE\xFF"))
        return Marked::Utf16BE;
    return Marked::None;
}

} // namespace

namespace {

// About the lines a block ends, for an estimate: those of the kind it has
// more of (CR LF counts once, as either).
qint64 lineEndsIn(QByteArrayView bytes)
{
    return std::max(std::count(bytes.begin(), bytes.end(), '\n'), std::count(bytes.begin(), bytes.end(), '\r'));
}

// A line carried from block to block asks for memory each time it grows by this.
constexpr qint64 kLongLine = qint64(16) << 20;

} // namespace

void AppendListLines(ListModel &list, QIODevice &device, qint64 limit,
                     const std::function<void(qint64 bytes)> &ensureMemory)
{
    // The dialog that chose the file may have left the vector registers in a
    // state that slows every copy of the load (see YieldGate.h).
    ClearUpperVectorState();
    LineSplitter lines;
    const auto append = [&list](QByteArrayView line) { AppendListLine(list, line); };
    // Lines known to be UTF-8 already go in as they are: a block of ASCII,
    // which reads the same in every code page, and the lines of a UTF-16 file
    // (Notepad's "Unicode"), which is read as the text it is.
    const auto appendUtf8 = [&list](QByteArrayView line) { list.addUtf8(line); };
    std::optional<QStringDecoder> utf16;
    QString highHalf;
    // Its pages stay in place for the next load, and for the saves.
    const LargeBlocks::Held block{size_t(kLoadBlockBytes)};
    bool first = true;
    bool carryAscii = true;
    qint64 nextCarryCheck = kLongLine;
    for (qint64 left = limit; limit < 0 || left > 0;) {
        const qint64 want = limit < 0 ? kLoadBlockBytes : std::min<qint64>(kLoadBlockBytes, left);
        const qint64 got = device.read(block.data(), want);
        if (got < 0)
            throw DeviceIOError();
        if (got == 0)
            break;
        left -= got;
        QByteArrayView bytes(block.data(), qsizetype(got));
        if (first && limit > 0) {
            // Sized once for what is to be read, when the memory left holds
            // it: the lines go into one stretch of storage instead of a new
            // one every MiB.
            if (ensureMemory)
                ensureMemory(MemoryForRows(limit, (lineEndsIn(bytes) + 1) * (limit / got + 1)));
            list.reserveBytes(limit);
        }
        // A line longer than a block is held whole until it ends, and is then
        // stored: room for its copy, and for the rest of the file both as
        // part of it and stored.
        if (ensureMemory && lines.carried() + got >= nextCarryCheck) {
            ensureMemory(lines.carried() + got + 2 * std::max<qint64>(left, 0));
            nextCarryCheck = lines.carried() + got + kLongLine;
        }
        if (std::exchange(first, false)) {
            // Only a mark at the very start of the file says what it is.
            switch (byteOrderMark(bytes)) {
            case Marked::Utf8: bytes = bytes.sliced(3); break;
            case Marked::Utf16LE: utf16.emplace(QStringConverter::Utf16LE); break;
            case Marked::Utf16BE: utf16.emplace(QStringConverter::Utf16BE); break;
            case Marked::None: break;
            }
            if (utf16)
                bytes = bytes.sliced(2);
        }
        if (utf16) {
            // A character's two halves may lie in two reads.
            QString text = std::exchange(highHalf, QString()) + utf16->decode(bytes);
            if (!text.isEmpty() && text.back().isHighSurrogate()) {
                highHalf = text.back();
                text.chop(1);
            }
            lines.feed(text.toUtf8(), appendUtf8);
        } else {
            const bool ascii = IsAscii(bytes);
            if (ascii && carryAscii)
                lines.feed(bytes, appendUtf8);
            else
                lines.feed(bytes, append);
            // Whether the unfinished line is ASCII, without a look at all of
            // it again: a line of gigabytes would be read once a block.
            carryAscii = lines.carried() <= bytes.size() ? IsAscii(lines.carriedBytes()) : carryAscii && ascii;
        }
    }
    if (utf16) {
        // Whatever the decoder still holds belongs to the last line.
        lines.feed((highHalf + utf16->decode(QByteArrayView())).toUtf8(), appendUtf8);
        lines.finish(appendUtf8);
    } else {
        lines.finish(append);
    }
}

void LoadListFile(Platform &platform, ListModel &list, const QString &path)
{
    if (!FileExists(path)) {
        // The box says what error 53 says.
        platform.MsgBox(FileNotFound().description());
        return;
    }
    // A folder, a pipe or a device passes FileExists. Opening a pipe would wait
    // for a writer for ever, so anything but a regular file is refused first.
    if (!QFileInfo(path).isFile())
        throw PathFileAccessError();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (!QFileInfo::exists(path))
            throw FileNotFound();
        throw PathFileAccessError();
    }
    // What the file holds now: a file another program keeps appending to
    // would otherwise be followed for ever. A system file that tells no size
    // is read to its end.
    const qint64 size = file.size();
    AppendListLines(list, file, size > 0 ? size : -1, [&platform](qint64 bytes) { EnsureMemoryFor(platform, bytes); });
}

QStringList SplitAtNul(const QString &value)
{
    if (value.isEmpty())
        return {};
    return value.split(QChar(0), Qt::KeepEmptyParts);
}

QString CollapseBackslashes(const QString &path)
{
    const QChar backslash(u'\\');
    if (!path.startsWith(backslash))
        return collapsePairs(path, backslash);
    qsizetype rest = 0;
    while (rest < path.size() && path[rest] == backslash)
        ++rest;
    return QStringLiteral("\\\\") + collapsePairs(QStringView(path).mid(rest), backslash);
}

QString CollapseSeparators(const QString &path, QChar separator)
{
    if (separator == u'\\')
        return CollapseBackslashes(path);
    return collapsePairs(path, separator);
}

QString CollapseNativeSeparators(const QString &path)
{
    return CollapseSeparators(path, QDir::separator());
}

} // namespace Main
