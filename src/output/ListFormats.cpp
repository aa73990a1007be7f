#include "ListFormats.h"

#include "shell/platform/CodePage.h"
#include "shell/platform/LargeBlocks.h"
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

namespace {

// The UTF-16 length of valid UTF-8, without decoding it: one unit for every
// byte that starts a character, two for a character of four bytes.
qsizetype utf16Length(QByteArrayView utf8)
{
    qsizetype n = 0;
    for (const char ch : utf8) {
        const auto b = static_cast<unsigned char>(ch);
        n += ((b & 0xC0) != 0x80) + (b >= 0xF0);
    }
    return n;
}

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
    return utf16Length(bytes_);
}

char16_t *CellText::writeTo(char16_t *out, QStringDecoder &utf8) const
{
    if (kind_ == Kind::Text) {
        std::copy(text_.utf16(), text_.utf16() + text_.size(), out);
        return out + text_.size();
    }
    if (IsAscii(bytes_)) {
        for (const char ch : bytes_)
            *out++ = char16_t(static_cast<unsigned char>(ch));
        return out;
    }
    if (kind_ == Kind::Utf8)
        return reinterpret_cast<char16_t *>(utf8.appendToBuffer(reinterpret_cast<QChar *>(out), bytes_));
    const QString shown = TextOfRawBytes(bytes_);
    return std::copy(shown.utf16(), shown.utf16() + shown.size(), out);
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

ClipboardLines::ClipboardLines(std::vector<qsizetype> widths, qsizetype chars)
    : widths_(std::move(widths)), text_(chars, Qt::Uninitialized),
      // A byte-order mark at the start of a row is part of it.
      utf8_(QStringConverter::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom)
{
    out_ = reinterpret_cast<char16_t *>(text_.data());
    // Tens of megabytes written once: in large pages, a few dozen faults.
    LargeBlocks::adviseLargePages(out_, size_t(chars) * sizeof(char16_t));
}

void ClipboardLines::grow(qsizetype n)
{
    text_.resize(std::max(at_ + n, 2 * text_.size()));
    out_ = reinterpret_cast<char16_t *>(text_.data());
}

void ClipboardLines::addCell(int column, const CellText &cell)
{
    // A column added while the copy ran has no entry in the width table.
    if (column < 1 || size_t(column) > widths_.size())
        throw RuntimeError(kSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    const qsizetype length = cell.length();
    const qsizetype pad = std::max<qsizetype>(widths_[size_t(column - 1)] - length, 0);
    room(length + pad + 1);
    char16_t *end = cell.writeTo(out_ + at_, utf8_);
    end = std::fill_n(end, pad, u' ');
    *end++ = u'\t';
    at_ = end - out_;
}

void ClipboardLines::endLine()
{
    // The TAB after the last cell goes, then the blanks before it; trimming
    // stops at the line's start: what lies before it ends in LF.
    if (at_ > lineStart_)
        --at_;
    while (at_ > lineStart_ && out_[at_ - 1] == u' ')
        --at_;
    room(2);
    out_[at_++] = u'\r';
    out_[at_++] = u'\n';
}

QString ClipboardLines::take()
{
    text_.truncate(at_);
    return std::move(text_);
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
