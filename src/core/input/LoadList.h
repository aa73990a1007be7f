#pragma once

#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringList>

#include <functional>

class CodePage;
class ListModel;
class Platform;
class QIODevice;

namespace Main {

// Files are read in blocks of this size; only a line that spans blocks is
// ever held whole.
constexpr qsizetype kLoadBlockBytes = qsizetype(1) << 20;

// Appends every line of the file to the list, one entry per line, in file
// order. A path FileExists denies gives the "File not found" box and adds
// nothing. Anything else that goes wrong (not a regular file, cannot be
// opened, a read fails) throws RuntimeError for the calling handler to report;
// entries already appended stay.
void LoadListFile(Platform &platform, ListModel &list, const QString &path);

// The reading half of LoadListFile: every line of the device up to its end,
// or of its first limit bytes. A UTF-8 byte-order mark at the start is
// skipped; one of UTF-16 (either order) makes the rest read as UTF-16 text.
// Throws RuntimeError 57 when a read fails.
//
// `ensureMemory`, where given, is asked for the bytes the lines will need
// before any is added (the limit's bytes, and a locator for as many lines as
// the first block makes likely), and again as a line that spans blocks grows
// long; it throws to stop the load (RuntimeError 7), the lines added so far
// kept.
void AppendListLines(ListModel &list, QIODevice &device, qint64 limit = -1,
                     const std::function<void(qint64 bytes)> &ensureMemory = {});

// One line's bytes as an entry, turned into text with the system code page;
// a line that is not text there, byte for byte, is kept as its bytes (a raw
// entry).
void AppendListLine(ListModel &list, QByteArrayView line);
// The same in another code page.
void AppendListLine(ListModel &list, QByteArrayView line, const CodePage &page);

// The open dialog's value cut at every NUL: nothing for the empty text, the
// path alone for one file, folder and names for several.
QStringList SplitAtNul(const QString &value);

// A path joined from a folder and a name, tidied: every pair of backslashes
// becomes one (left to right, so three become two), except that a leading run
// of backslashes, however long, becomes exactly two (a network path).
QString CollapseBackslashes(const QString &path);

// The same tidying for a path with the given separator. With the backslash it
// is CollapseBackslashes; with "/" there are no network paths, so a leading
// pair collapses like any other (the top folder "/" joined with a name must
// not give "//name").
QString CollapseSeparators(const QString &path, QChar separator);

// CollapseSeparators with this system's separator.
QString CollapseNativeSeparators(const QString &path);

} // namespace Main
