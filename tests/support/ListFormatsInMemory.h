#pragma once

// The export layouts over a list held in memory: what the tests and fuzzers
// compare with. The program itself only ever exports a live list.
#include "core/output/ListFormats.h"

#include <QList>
#include <QStringList>

namespace ListFormats {

struct TableData {
    QStringList titles;       // one per column
    QList<QStringList> rows;  // a row's cells in column order; missing cells are empty
};

class MemoryTable {
public:
    explicit MemoryTable(const TableData &data) : data_(data) {}

    int columnCount() const { return int(data_.titles.size()); }
    qsizetype rowCount() const { return data_.rows.size(); }
    QString title(int column) const { return data_.titles.at(column - 1); }
    bool taken(qsizetype) const { return true; }
    CellText cell(qsizetype row, int column) const
    {
        return CellText::fromText(data_.rows.at(row - 1).value(column - 1));
    }

private:
    const TableData &data_;
};

inline QString ClipboardText(const TableData &table)
{
    return QString::fromUtf8(BuildClipboardText(MemoryTable(table), [] {}));
}

inline QByteArray CommaDelimitedBytes(const TableData &table,
                                      QStringConverter::Encoding encoding = QStringConverter::System)
{
    struct ByteSink {
        QByteArray bytes;
        QByteArray &buffer() { return bytes; }
        void rowDone() {}
    } sink;
    CodePageEncoder encoder(encoding);
    WriteCommaDelimited(MemoryTable(table), sink, encoder, [] {});
    return sink.bytes;
}

inline QByteArray TextFileBytes(const QStringList &rows, QStringConverter::Encoding encoding = QStringConverter::System)
{
    CodePageEncoder encoder(encoding);
    QByteArray out;
    for (const QString &row : rows)
        AppendTextFileLine(out, CellText::fromText(row), encoder);
    return out;
}

} // namespace ListFormats
