// Builds a small table from the input (1 to 4 columns, rows with missing
// cells, rows not taken for copying, blanks, TABs, commas, line breaks and
// characters outside ASCII and outside the 16-bit range) and checks the three
// export layouts against plain restatements written here: the clipboard text,
// the comma-delimited bytes and the text-file bytes, for cells handed over as
// text, as the list's own UTF-8 and as raw bytes (a line that was not text in
// the system's code page), in three code pages, through a sink that
// hands its buffer on after some rows and not others. The number of times
// each layout lets events run is checked too.
#include "core/output/ListFormats.h"
#include "support/ListFormatsInMemory.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <type_traits>
#include <string>
#include <vector>

using namespace ListFormats;

namespace {

struct Table {
    QStringList titles;
    QList<QStringList> cells; // full rows, column order
    std::vector<bool> picked; // whether the copy takes each row
    bool asUtf8 = false;      // hand cells over as the list's UTF-8 storage does
    QList<QByteArrayList> utf8;
    QList<QList<bool>> raw;   // with asUtf8: the cell's bytes are raw

    int columnCount() const { return int(titles.size()); }
    qsizetype rowCount() const { return cells.size(); }
    QString title(int column) const { return titles.at(column - 1); }
    bool taken(qsizetype row) const { return picked[size_t(row - 1)]; }
    CellText cell(qsizetype row, int column) const
    {
        if (asUtf8)
            return CellText::fromStored(utf8.at(row - 1).at(column - 1), raw.at(row - 1).at(column - 1));
        return CellText::fromText(cells.at(row - 1).at(column - 1));
    }
};

struct Sink {
    QByteArray pending;
    QByteArray out;
    std::vector<bool> handOn;
    size_t rows = 0;
    QByteArray &buffer() { return pending; }
    void rowDone()
    {
        if (handOn.empty() || handOn[rows++ % handOn.size()]) {
            out += pending;
            pending.clear();
        }
    }
    QByteArray all() const { return out + pending; }
};

QString textFrom(const std::string &bytes)
{
    static const char16_t alphabet[] = {u' ', u' ', u' ', u'\t', u',', u'\r', u'\n', u'"', u'a', u'b',
                                        u'.', u'@', u'\u00e9', u'\u20ac', u'\uFEFF'};
    QString s;
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0xF0)
            s.append(QChar(alphabet[b % std::size(alphabet)]));
        else if (b < 0xF8)
            s.append(QStringLiteral("\U0001F600")); // two 16-bit units
        else if (b < 0xFC)
            s.append(QChar(char16_t(0xD800))); // a lone half of a pair
        else
            s.append(QChar(char16_t(0xDC00)));
    }
    return s;
}

// A stored row read back as text: a byte-order mark at its start is part of
// the entry (QString::fromUtf8 alone would drop it).
QString listText(const QByteArray &utf8)
{
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder(utf8);
}

// Raw bytes as text: Windows-1252, its five undefined bytes as U+FFFD.
QString windows1252(const QByteArray &bytes)
{
    static const QString high = QStringLiteral(u"\u20AC\uFFFD\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160"
                                               u"\u2039\u0152\uFFFD\u017D\uFFFD\uFFFD\u2018\u2019\u201C\u201D\u2022"
                                               u"\u2013\u2014\u02DC\u2122\u0161\u203A\u0153\uFFFD\u017E\u0178");
    QString s;
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        s += b >= 0x80 && b < 0xA0 ? high.at(b - 0x80) : QChar(b);
    }
    return s;
}

QString referenceClipboard(const Table &t)
{
    if (t.rowCount() == 0)
        return QString();
    std::vector<qsizetype> widths;
    for (int c = 0; c < t.columnCount(); ++c) {
        qsizetype w = 0;
        for (const QStringList &row : t.cells)
            w = std::max(w, row.at(c).size());
        widths.push_back(w);
    }
    QString out;
    for (qsizetype r = 0; r < t.rowCount(); ++r) {
        if (!t.picked[size_t(r)])
            continue;
        QStringList padded;
        for (int c = 0; c < t.columnCount(); ++c)
            padded << t.cells.at(r).at(c).leftJustified(widths[size_t(c)], u' ');
        QString line = padded.join(u'\t');
        while (line.endsWith(u' '))
            line.chop(1);
        out += line + QStringLiteral("\r\n");
    }
    return out;
}

QString referenceComma(const Table &t)
{
    QString out;
    if (t.columnCount() > 1) {
        for (const QString &title : t.titles)
            out += title + u',';
        out += QStringLiteral("\r\n");
        for (const QStringList &row : t.cells)
            out += row.join(u',') + QStringLiteral("\r\n");
        return out;
    }
    QStringList column;
    for (const QStringList &row : t.cells)
        column << row.at(0);
    return column.join(u',');
}

// A finding: both sides in hex on stderr, then the abort libFuzzer records.
template <class T>
void expectSame(const char *what, const T &got, const T &want)
{
    if (got == want)
        return;
    const auto hex = [](const auto &v) {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, QString>)
            return v.toUtf8().toHex(' ');
        else
            return v.toHex(' ');
    };
    std::fprintf(stderr, "%s differs\n got: %s\nwant: %s\n", what, hex(got).constData(), hex(want).constData());
    std::abort();
}

QByteArray encoded(const QString &text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

// A cell in a file: raw bytes as they are, text in the code page.
QByteArray cellBytes(const Table &t, qsizetype r, int c, QStringConverter::Encoding encoding)
{
    if (t.asUtf8 && t.raw.at(r).at(c))
        return t.utf8.at(r).at(c);
    return encoded(t.cells.at(r).at(c), encoding);
}

QByteArray referenceCommaBytes(const Table &t, QStringConverter::Encoding encoding)
{
    QByteArray out;
    if (t.columnCount() > 1) {
        for (const QString &title : t.titles)
            out += encoded(title, encoding) + ',';
        out += "\r\n";
        for (qsizetype r = 0; r < t.rowCount(); ++r) {
            for (int c = 0; c < t.columnCount(); ++c)
                out += cellBytes(t, r, c, encoding) + (c + 1 < t.columnCount() ? "," : "\r\n");
        }
        return out;
    }
    for (qsizetype r = 0; r < t.rowCount(); ++r)
        out += (r ? "," : "") + cellBytes(t, r, 0, encoding);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    static const QStringConverter::Encoding encodings[] = {QStringConverter::System, QStringConverter::Utf8,
                                                           QStringConverter::Latin1};
    const QStringConverter::Encoding encoding = encodings[fdp.ConsumeIntegralInRange(0, 2)];
    const int columns = fdp.ConsumeIntegralInRange(1, 4);
    const int rows = fdp.ConsumeIntegralInRange(0, 40);
    const bool asUtf8 = fdp.ConsumeBool();

    Table t;
    TableData plain;
    for (int c = 0; c < columns; ++c)
        t.titles << textFrom(fdp.ConsumeRandomLengthString(12));
    plain.titles = t.titles;
    for (int r = 0; r < rows; ++r) {
        const int present = fdp.ConsumeIntegralInRange(0, columns);
        QStringList row;
        for (int c = 0; c < present; ++c)
            row << textFrom(fdp.ConsumeRandomLengthString(20));
        plain.rows << row; // missing cells read as empty
        while (row.size() < columns)
            row << QString();
        t.cells << row;
        t.picked.push_back(fdp.ConsumeIntegralInRange(0, 7) != 0);
    }
    Sink sink;
    for (int i = fdp.ConsumeIntegralInRange(0, 4); i > 0; --i)
        sink.handOn.push_back(fdp.ConsumeBool());

    // The plain functions: every row taken, cells as text.
    {
        Table all = t;
        all.picked.assign(all.picked.size(), true);
        // The clipboard takes UTF-8, half a surrogate pair as U+FFFD.
        expectSame("ClipboardText", ClipboardText(plain),
                   QString::fromUtf8(encoded(referenceClipboard(all), QStringConverter::Utf8)));
        expectSame("CommaDelimitedBytes", CommaDelimitedBytes(plain, encoding), encoded(referenceComma(all), encoding));
        QStringList firstColumn;
        for (const QStringList &row : std::as_const(all.cells))
            firstColumn << row.at(0);
        QString lines;
        for (const QString &row : std::as_const(firstColumn))
            lines += row + QStringLiteral("\r\n");
        expectSame("TextFileBytes", TextFileBytes(firstColumn, encoding), encoded(lines, encoding));
    }

    // The templates over a live-list-like table, cells as text or as UTF-8.
    if (asUtf8) {
        // The list stores UTF-8 of text, so a lone half of a pair is already
        // replaced there; the expected texts are those the list would give back.
        // A raw cell holds those UTF-8 bytes with every other byte set to
        // its high half, so that most such cells are not UTF-8.
        t.asUtf8 = true;
        for (QStringList &row : t.cells) {
            QByteArrayList bytes;
            QList<bool> raw;
            for (QString &cell : row) {
                bytes << cell.toUtf8();
                raw << fdp.ConsumeBool();
                if (raw.last()) {
                    for (qsizetype i = 0; i < bytes.last().size(); i += 2)
                        bytes.last()[i] = char(bytes.last()[i] | 0x80);
                }
                cell = raw.last() ? windows1252(bytes.last()) : listText(bytes.last());
            }
            t.utf8 << bytes;
            t.raw << raw;
        }
    }
    long yields = 0;
    // UTF-8, as the clipboard gets it (half a surrogate pair of a sub-item as U+FFFD).
    const QByteArray clip = BuildClipboardText(t, [&] { ++yields; });
    expectSame("BuildClipboardText", clip, encoded(referenceClipboard(t), QStringConverter::Utf8));
    long takenRows = 0;
    for (const bool taken : t.picked)
        takenRows += taken;
    if (yields != long(columns) * rows + rows + takenRows * columns)
        std::abort();

    yields = 0;
    CodePageEncoder encoder(encoding);
    WriteCommaDelimited(t, sink, encoder, [&] { ++yields; });
    expectSame("WriteCommaDelimited", sink.all(), referenceCommaBytes(t, encoding));
    if (yields != rows)
        std::abort();

    QByteArray text;
    QByteArray lines;
    for (qsizetype r = 1; r <= t.rowCount(); ++r) {
        AppendTextFileLine(text, t.cell(r, 1), encoder);
        lines += cellBytes(t, r - 1, 0, encoding) + "\r\n";
    }
    expectSame("AppendTextFileLine", text, lines);
    return 0;
}
