#include "LoadList.h"

#include "LineSplitter.h"

#include "shell/platform/CodePage.h"
#include "shell/controls/ListModel.h"
#include "shell/platform/Platform.h"
#include "shell/platform/RuntimeError.h"
#include "shell/handlers/Startup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <memory>

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

void AppendListLine(ListModel &list, QByteArrayView line)
{
    static const bool utf8 = SystemCodePageIsUtf8();
    // Stored bytes are UTF-8. ASCII reads the same in every code page, and on
    // a UTF-8 system any valid line does: only the rest needs decoding.
    if (utf8 ? line.isValidUtf8() : IsAscii(line)) {
        list.addUtf8(line);
        return;
    }
    // A line that is not text in the system's code page (an older tool's
    // Windows-1252 on a UTF-8 system) keeps its bytes: decoding would put
    // U+FFFD in place of them and the saves would write that instead.
    if (utf8) {
        list.addRaw(line);
        return;
    }
    // Each line on its own: nothing of an incomplete sequence may wait for the
    // next line, and a byte-order mark at the start is text like any other.
    QStringDecoder decoder(QStringConverter::System,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const QString text = decoder.decode(line);
    if (decoder.hasError())
        list.addRaw(line);
    else
        list.add(text);
}

void AppendListLines(ListModel &list, QIODevice &device)
{
    LineSplitter lines;
    const auto append = [&list](QByteArrayView line) { AppendListLine(list, line); };
    const std::unique_ptr<char[]> block(new char[size_t(kLoadBlockBytes)]);
    for (;;) {
        const qint64 got = device.read(block.get(), kLoadBlockBytes);
        if (got < 0)
            throw RuntimeError(ErrNo::DeviceIO, QStringLiteral("Device I/O error"));
        if (got == 0)
            break;
        lines.feed(QByteArrayView(block.get(), qsizetype(got)), append);
    }
    lines.finish(append);
}

void LoadListFile(Platform &platform, ListModel &list, const QString &path)
{
    if (!FileExists(path)) {
        platform.MsgBox(QStringLiteral("File not found"));
        return;
    }
    // A folder, a pipe or a device passes FileExists. Opening a pipe would wait
    // for a writer for ever, so anything but a regular file is refused first.
    if (!QFileInfo(path).isFile())
        throw RuntimeError(ErrNo::PathFileAccess, QStringLiteral("Path/File access error"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (!QFileInfo::exists(path))
            throw RuntimeError(ErrNo::FileNotFound, QStringLiteral("File not found"));
        throw RuntimeError(ErrNo::PathFileAccess, QStringLiteral("Path/File access error"));
    }
    AppendListLines(list, file);
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
