#include "ListFormats.h"

#include "shell/platform/CodePage.h"
#include "shell/controls/TextColumn.h"

#include <QStringDecoder>

namespace ListFormats {

CodePageEncoder::CodePageEncoder(QStringConverter::Encoding encoding)
    : passThrough_(encoding == QStringConverter::Utf8
                   || (encoding == QStringConverter::System && SystemCodePageIsUtf8())),
      asciiAsIs_(encoding == QStringConverter::System || encoding == QStringConverter::Latin1),
      encoder_(encoding, QStringConverter::Flag::Stateless)
{
}

void CodePageEncoder::append(QByteArray &out, QByteArrayView utf8)
{
    if (passThrough_)
        out.append(utf8.data(), utf8.size());
    else if (asciiAsIs_ && IsAscii(utf8))
        out.append(utf8.data(), utf8.size());
    else
        append(out, QStringView(TextColumn::decode(utf8)));
}

void CodePageEncoder::append(QByteArray &out, QStringView text)
{
    // Text goes through the encoder even where UTF-8 passes through: only the
    // encoder writes a lone half of a surrogate pair as U+FFFD, the character
    // the list's own storage keeps for it, so a cell reads the same in the
    // file whichever way the list hands it over.
    const qsizetype start = out.size();
    out.resize(start + encoder_.requiredSpace(text.size()));
    char *end = encoder_.appendToBuffer(out.data() + start, text);
    out.truncate(end - out.constData());
}

namespace {

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

struct ByteSink {
    QByteArray bytes;
    QByteArray &buffer() { return bytes; }
    void rowDone() {}
};

} // namespace

qsizetype CellText::length() const
{
    switch (kind_) {
    case Kind::Text:
        return text_.size();
    case Kind::Raw:
        // Windows-1252 and ASCII read one character per byte.
        return CodePage::system().isUtf8() || IsAscii(bytes_) ? bytes_.size() : TextOfRawBytes(bytes_).size();
    case Kind::Utf8:
        break;
    }
    return IsAscii(bytes_) ? bytes_.size() : TextColumn::decode(bytes_).size();
}

void CellText::appendTo(QString &out) const
{
    if (kind_ == Kind::Text)
        out.append(text_);
    else if (IsAscii(bytes_))
        out.append(QLatin1String(bytes_.data(), bytes_.size()));
    else
        out.append(kind_ == Kind::Raw ? TextOfRawBytes(bytes_) : TextColumn::decode(bytes_));
}

void CellText::encodeTo(QByteArray &out, CodePageEncoder &encoder) const
{
    if (kind_ == Kind::Utf8)
        encoder.append(out, bytes_);
    else if (kind_ == Kind::Raw)
        out.append(bytes_.data(), bytes_.size());
    else
        encoder.append(out, text_);
}

void ClipboardLines::addCell(int column, const CellText &cell)
{
    // A column added while the copy ran has no entry in the width table.
    if (column < 1 || size_t(column) > widths_.size())
        throw RuntimeError(kSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    const qsizetype before = text_.size();
    cell.appendTo(text_);
    const qsizetype pad = widths_[size_t(column - 1)] - (text_.size() - before);
    if (pad > 0)
        text_.resize(text_.size() + pad, QLatin1Char(' '));
    text_.append(QLatin1Char('\t'));
}

void ClipboardLines::endLine()
{
    // Trimming stops at the line's start: what lies before it ends in LF.
    if (text_.size() > lineStart_)
        text_.chop(1);
    qsizetype end = text_.size();
    while (end > lineStart_ && text_.at(end - 1) == QLatin1Char(' '))
        --end;
    text_.truncate(end);
    text_.append(QLatin1String("\r\n"));
}

void AppendTextFileLine(QByteArray &out, const CellText &row, CodePageEncoder &encoder)
{
    row.encodeTo(out, encoder);
    out.append("\r\n", 2);
}

QString ClipboardText(const TableData &table)
{
    return BuildClipboardText(MemoryTable(table), [] {});
}

QByteArray CommaDelimitedBytes(const TableData &table, QStringConverter::Encoding encoding)
{
    CodePageEncoder encoder(encoding);
    ByteSink sink;
    WriteCommaDelimited(MemoryTable(table), sink, encoder, [] {});
    return sink.bytes;
}

QByteArray TextFileBytes(const QStringList &rows, QStringConverter::Encoding encoding)
{
    CodePageEncoder encoder(encoding);
    QByteArray out;
    for (const QString &row : rows)
        AppendTextFileLine(out, CellText::fromText(row), encoder);
    return out;
}

} // namespace ListFormats
