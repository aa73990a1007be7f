#pragma once

#include <QList>
#include <QtGlobal>

#include <vector>

// The rows a user has selected in a list (from 0): an anchor and a few runs
// of rows, never a mark per row, so that all of ten million rows selected is
// one run. Each change is what one click or key does; a run is as cheap to
// keep as a row.
class RowSelection {
public:
    struct Range {
        qsizetype first;
        qsizetype last; // included
        bool operator==(const Range &) const = default;
    };

    bool isEmpty() const { return ranges_.empty(); }
    // Rows selected.
    qsizetype count() const;
    bool contains(qsizetype row) const;
    // In list order, apart and not touching.
    const std::vector<Range> &ranges() const { return ranges_; }
    // Where Shift extends from; -1 when nothing set one.
    qsizetype anchor() const { return anchor_; }
    // The first rows selected, at most `limit` of them, in list order.
    QList<int> firstRows(int limit) const;

    // Nothing selected and no anchor: the list was emptied.
    void clear();
    // A click or a plain move: the row alone, the anchor on it.
    void selectOnly(qsizetype row);
    // Shift with a click or a move: the rows from the anchor to this one,
    // nothing else. Without an anchor, the row alone.
    void extendTo(qsizetype row);
    // Ctrl with a click: the row in or out, the rest kept, the anchor on it.
    void toggle(qsizetype row);
    // Ctrl+A: rows 0 to rows - 1; the anchor stays.
    void selectAll(qsizetype rows);

private:
    std::vector<Range> ranges_;
    qsizetype anchor_ = -1;
};
