#include "core/shell/controls/RowSelection.h"

#include <algorithm>

namespace {

// The first run that does not end before the row.
template <class Ranges>
auto runAtOrAfter(Ranges &ranges, qsizetype row)
{
    return std::lower_bound(ranges.begin(), ranges.end(), row,
                            [](const RowSelection::Range &r, qsizetype x) { return r.last < x; });
}

} // namespace

qsizetype RowSelection::count() const
{
    qsizetype n = 0;
    for (const Range &r : ranges_)
        n += r.last - r.first + 1;
    return n;
}

bool RowSelection::contains(qsizetype row) const
{
    const auto it = runAtOrAfter(ranges_, row);
    return it != ranges_.end() && it->first <= row;
}

QList<int> RowSelection::firstRows(int limit) const
{
    QList<int> rows;
    for (const Range &r : ranges_) {
        for (qsizetype row = r.first; row <= r.last; ++row) {
            if (rows.size() >= limit)
                return rows;
            rows << int(row);
        }
    }
    return rows;
}

void RowSelection::clear()
{
    ranges_.clear();
    anchor_ = -1;
}

void RowSelection::selectOnly(qsizetype row)
{
    ranges_.assign(1, Range{row, row});
    anchor_ = row;
}

void RowSelection::extendTo(qsizetype row)
{
    if (anchor_ < 0) {
        selectOnly(row);
        return;
    }
    ranges_.assign(1, Range{std::min(anchor_, row), std::max(anchor_, row)});
}

void RowSelection::toggle(qsizetype row)
{
    anchor_ = row;
    auto it = runAtOrAfter(ranges_, row);
    if (it != ranges_.end() && it->first <= row) {
        // Out: the run loses the row, or splits in two around it.
        const Range run = *it;
        it = ranges_.erase(it);
        if (row < run.last)
            it = ranges_.insert(it, Range{row + 1, run.last});
        if (run.first < row)
            ranges_.insert(it, Range{run.first, row - 1});
        return;
    }
    // In: joined to a run that ends just before it or starts just after.
    it = ranges_.insert(it, Range{row, row});
    if (const auto next = it + 1; next != ranges_.end() && next->first == row + 1) {
        it->last = next->last;
        it = ranges_.erase(next) - 1;
    }
    if (it != ranges_.begin() && (it - 1)->last == row - 1) {
        (it - 1)->last = it->last;
        ranges_.erase(it);
    }
}

void RowSelection::selectAll(qsizetype rows)
{
    if (rows <= 0) {
        ranges_.clear();
        return;
    }
    ranges_.assign(1, Range{0, rows - 1});
}
