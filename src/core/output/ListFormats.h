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
#include <QStringDecoder>

#include <algorithm>
#include <vector>

namespace ListFormats {

// The clipboard's lines. Every cell but the last is padded with blanks to its
// column's width; each cell is followed by a TAB, the TAB after the last cell
// is dropped, then the blanks at the end of the line, and the line ends in
// CR LF. So a one-column list gives each domain without its trailing blanks.
//
// The text is written in its final form straight into one string, sized
// beforehand for what the measured list gives; it grows only if the list
// grew meanwhile.
class ClipboardLines {
public:
    ClipboardLines(std::vector<qsizetype> widths, qsizetype chars);

    void beginLine() { lineStart_ = at_; }
    void addCell(int column, const CellText &cell);
    void endLine();
    QString take();

private:
    // Room for n more characters.
    void room(qsizetype n)
    {
        if (text_.size() - at_ < n)
            grow(n);
    }
    void grow(qsizetype n);

    std::vector<qsizetype> widths_;
    QString text_;
    char16_t *out_ = nullptr; // text_'s characters
    qsizetype at_ = 0;        // written so far
    qsizetype lineStart_ = 0;
    QStringDecoder utf8_;
};

// Measures every column (the longest text over all rows, taken or not), then
// writes one line per taken row. `yield` runs once per cell while measuring,
// and once per row and once per cell while writing.
template <class Table, class Yield>
QString BuildClipboardText(const Table &table, Yield &&yield)
{
    std::vector<qsizetype> widths;
    qsizetype lastColumnChars = 0;
    const int columns = table.columnCount();
    widths.reserve(size_t(std::max(columns, 0)));
    for (int c = 1; c <= columns; ++c) {
        qsizetype w = 0;
        qsizetype total = 0;
        const qsizetype rows = table.rowCount();
        for (qsizetype r = 1; r <= rows; ++r) {
            yield();
            const qsizetype n = table.cell(r, c).length();
            w = std::max(w, n);
            total += n;
        }
        widths.push_back(w);
        lastColumnChars = total;
    }

    // One allocation for the whole text when the list holds still: padded
    // cells and TABs for all but the last column, the last column as measured
    // and its TAB, CR LF per row.
    qsizetype perRow = 3;
    for (size_t c = 0; c + 1 < widths.size(); ++c)
        perRow += widths[c] + 1;
    const qsizetype rows = table.rowCount();
    ClipboardLines lines(std::move(widths), rows * perRow + lastColumnChars);
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
