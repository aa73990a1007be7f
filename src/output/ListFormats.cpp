#include "ListFormats.h"

#include "shell/CodePage.h"
#include "shell/TextColumn.h"

#include <QStringDecoder>

namespace ListFormats {

bool IsAscii(QByteArrayView bytes)
{
    // One pass without early exit; the compiler turns it into wide loads.
    unsigned char seen = 0;
    for (const char ch : bytes)
        seen |= static_cast<unsigned char>(ch);
    return seen < 0x80;
}

QString TextOfUtf8(QByteArrayView utf8)
{
    return TextColumn::decode(utf8);
}

QString TextOfRaw(QByteArrayView bytes)
{
    return TextOfWindows1252(bytes);
}

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
        append(out, QStringView(TextOfUtf8(utf8)));
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
