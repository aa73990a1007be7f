#include "core/output/ListFormats.h"

#include "core/shell/platform/LargeBlocks.h"
#include "core/shell/platform/RuntimeError.h"

namespace ListFormats {

ClipboardLines::ClipboardLines(std::vector<qsizetype> widths, qsizetype bytes)
    : widths_(std::move(widths)), text_(bytes, Qt::Uninitialized)
{
    out_ = text_.data();
    // Tens of megabytes written once: in large pages, a few dozen faults.
    LargeBlocks::adviseLargePages(out_, size_t(bytes));
}

void ClipboardLines::grow(qsizetype n)
{
    text_.resize(std::max(at_ + n, 2 * text_.size()));
    out_ = text_.data();
}

void ClipboardLines::addCell(int column, const CellText &cell)
{
    // A column added while the copy ran has no entry in the width table.
    if (column < 1 || size_t(column) > widths_.size())
        throw SubscriptOutOfRange();
    // The last cell's padding would go again with the blanks at the line's end.
    const qsizetype pad = size_t(column) < widths_.size()
        ? std::max<qsizetype>(widths_[size_t(column - 1)] - cell.length(), 0)
        : 0;
    room(cell.utf8Length() + pad + 1);
    char *end = cell.writeUtf8To(out_ + at_);
    end = std::fill_n(end, pad, ' ');
    *end++ = '\t';
    at_ = end - out_;
}

void ClipboardLines::endLine()
{
    // The TAB after the last cell goes, then the blanks before it; trimming
    // stops at the line's start: what lies before it ends in LF.
    if (at_ > lineStart_)
        --at_;
    while (at_ > lineStart_ && out_[at_ - 1] == ' ')
        --at_;
    room(2);
    out_[at_++] = '\r';
    out_[at_++] = '\n';
}

QByteArray ClipboardLines::take()
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
