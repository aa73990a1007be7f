#pragma once

// The three ways the result list leaves the program: the clipboard text, the
// text file and the comma-delimited file. The layouts are written once, as
// templates over a "table" (any list-like source: the live list through
// ListTable, a list held in memory in the tests). A table offers:
//
//   int columnCount() const;             // column headers, from 1
//   qsizetype rowCount() const;          // rows, from 1
//   QString title(int column) const;
//   bool taken(qsizetype row) const;     // whether the copy takes the row
//   CellText cell(qsizetype row, int column) const;
//
// Counts are read again wherever a loop re-reads them, because the exports let
// events run between rows and a click may change the list underneath them.

#include "core/output/CellText.h"
#include "core/shell/platform/CodePageEncoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <utility>
#include <vector>

namespace ListFormats {

// The clipboard's lines. Every cell but the last is padded with blanks to its
// column's width; each cell is followed by a TAB, the TAB after the last cell
// is dropped, then the blanks at the end of the line, and the line ends in
// CR LF. So a one-column list gives each domain without its trailing blanks.
//
// The text is written in its final form, in UTF-8 (a row's own bytes, in the
// usual case), straight into one array sized beforehand for what the
// measured list gives; it grows only if the list grew meanwhile.
class ClipboardLines {
public:
    ClipboardLines(std::vector<qsizetype> widths, qsizetype bytes);

    void beginLine() { lineStart_ = at_; }
    void addCell(int column, const CellText &cell);
    void endLine();
    QByteArray take();

private:
    // Room for n more bytes.
    void room(qsizetype n)
    {
        if (text_.size() - at_ < n)
            grow(n);
    }
    void grow(qsizetype n);

    std::vector<qsizetype> widths_;
    QByteArray text_;
    char *out_ = nullptr; // text_'s bytes
    qsizetype at_ = 0;    // written so far
    qsizetype lineStart_ = 0;
};

// The bytes the clipboard text of a list takes, from its measured widths (in
// 16-bit units) and the UTF-8 bytes of each column's cells: at most this.
inline qsizetype ClipboardBytes(const std::vector<qsizetype> &widths, const std::vector<qsizetype> &columnBytes,
                                qsizetype rows)
{
    qsizetype perRow = 3; // the last cell's TAB, CR LF
    for (size_t c = 0; c + 1 < widths.size(); ++c)
        perRow += widths[c] + 1;
    qsizetype total = rows * perRow;
    for (const qsizetype bytes : columnBytes)
        total += bytes;
    return total;
}

// Measures every column (the longest text over all rows, taken or not), then
// writes one line per taken row, in UTF-8. `yield` runs once per cell while
// measuring, and once per row and once per cell while writing. `sized` is
// told the bytes the text will take before any of them is written, and may
// throw to refuse them.
template <class Table, class Yield, class Sized>
QByteArray BuildClipboardText(const Table &table, Yield &&yield, Sized &&sized)
{
    std::vector<qsizetype> widths;
    std::vector<qsizetype> columnBytes;
    const int columns = table.columnCount();
    widths.reserve(size_t(std::max(columns, 0)));
    columnBytes.reserve(size_t(std::max(columns, 0)));
    for (int c = 1; c <= columns; ++c) {
        qsizetype w = 0;
        qsizetype bytes = 0;
        const qsizetype rows = table.rowCount();
        // The last column is never padded: only its bytes count.
        const bool last = c == columns;
        for (qsizetype r = 1; r <= rows; ++r) {
            yield();
            const CellText cell = table.cell(r, c);
            if (!last)
                w = std::max(w, cell.length());
            bytes += cell.utf8Length();
        }
        widths.push_back(w);
        columnBytes.push_back(bytes);
    }

    // One allocation for the whole text when the list holds still.
    const qsizetype rows = table.rowCount();
    const qsizetype bytes = ClipboardBytes(widths, columnBytes, rows);
    sized(bytes);
    ClipboardLines lines(std::move(widths), bytes);
    for (qsizetype r = 1; r <= rows; ++r) {
        yield();
        if (!table.taken(r))
            continue;
        lines.beginLine();
        const int cells = table.columnCount();
        for (int c = 1; c <= cells; ++c) {
            yield();
            lines.addCell(c, table.cell(r, c));
        }
        lines.endLine();
    }
    return lines.take();
}
template <class Table, class Yield>
QByteArray BuildClipboardText(const Table &table, Yield &&yield)
{
    return BuildClipboardText(table, std::forward<Yield>(yield), [](qsizetype) {});
}

// The comma-delimited layout. Several columns: a header line of titles each
// followed by ",", then one line per row with its cells joined by ",", every
// line ended by CR LF. One column: all cells on one line joined by ",", with no
// line end at all. Cells go out as they are: no quotes, no escaping.
//
// A sink offers `QByteArray &buffer()` to append to and `rowDone()`, after
// which it may hand the buffer on; one that also offers `append(bytes)` takes
// the bytes that need no encoding, commas and line ends that way. `yield`
// runs once per row.
template <class Table, class Sink, class Yield>
void WriteCommaDelimited(const Table &table, Sink &sink, CodePageEncoder &encoder, Yield &&yield)
{
    const auto put = [&sink](QByteArrayView bytes) {
        if constexpr (requires { sink.append(bytes); })
            sink.append(bytes);
        else
            sink.buffer().append(bytes);
    };
    if (table.columnCount() > 1) {
        const int columns = table.columnCount();
        for (int c = 1; c <= columns; ++c) {
            encoder.append(sink.buffer(), QStringView(table.title(c)));
            put(",");
        }
        put("\r\n");
        sink.rowDone();
    }
    const qsizetype rows = table.rowCount();
    for (qsizetype r = 1; r <= rows; ++r) {
        yield();
        const int cells = table.columnCount();
        for (int c = 1; c <= cells; ++c) {
            const CellText cell = table.cell(r, c);
            QByteArrayView bytes;
            if (cell.storedBytesGoOut(encoder, &bytes))
                put(bytes);
            else
                cell.encodeTo(sink.buffer(), encoder);
            if (c != table.columnCount())
                put(",");
        }
        if (table.columnCount() > 1)
            put("\r\n");
        else if (r != table.rowCount())
            put(",");
        sink.rowDone();
    }
}

// One line of the text file: the row as it is (blanks at its end kept), CR LF.
void AppendTextFileLine(QByteArray &out, const CellText &row, CodePageEncoder &encoder);

} // namespace ListFormats
