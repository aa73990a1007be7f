#include "core/output/ListFormats.h"

#include "core/shell/platform/LargeBlocks.h"
#include "core/shell/platform/RuntimeError.h"

namespace ListFormats {

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
        throw SubscriptOutOfRange();
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

} // namespace ListFormats
