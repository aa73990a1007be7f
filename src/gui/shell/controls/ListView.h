#pragma once

#include "core/shell/controls/ListModel.h"
#include "core/shell/controls/RowSelection.h"
#include "gui/shell/controls/ListAnnouncer.h"

#include <QAbstractScrollArea>

#include <functional>
#include <memory>

class QHeaderView;
class QMenu;

// A report-style list: rows under a column header, painting only the rows in
// sight, so a list of ten million rows scrolls and grows like one of ten.
// Stock item views do a pass over every row each time rows arrive; this one
// only updates two scroll bar ranges. The list operations live in items().
//
// Rows are selected as in any list: a click, Shift or Ctrl with it, Shift
// with the moving keys, Ctrl+A. The selection is runs of rows, so selecting
// all of ten million costs nothing. The program's own steps never read it;
// the copy of the selected rows does. The list's actions (QWidget::actions())
// make its context menu.
class ListView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ListView(QWidget *parent = nullptr);
    // A list over a model of the caller's own, such as one that reports more
    // rows than memory could hold.
    explicit ListView(std::unique_ptr<ListModel> model, QWidget *parent = nullptr);

    ListModel &items() { return *model_; }
    const ListModel &items() const { return *model_; }
    QHeaderView *header() const { return header_; }

    // The row the keys act on and the focus shows (0-based), -1 when none.
    qsizetype currentRow() const { return current_; }
    const RowSelection &selection() const { return selection_; }
    bool isRowSelected(qsizetype row) const { return selection_.contains(row); }
    // Ctrl+A: every row the list shows.
    void selectAll();
    int rowHeight() const { return rowHeight_; }

    // What a screen reader counts as the list's children: the header's cells
    // first, then each row's cells, column by column.
    int accessibleChildIndex(int row, int column) const;

    // Type-ahead: moves to the next row starting with the text typed so far.
    // A pause longer than the platform's keyboard input interval between two
    // keys starts a new search. The pause is read from the keys' own
    // timestamps when both have one; a key without one (0: a screen reader's
    // copy of it, as Qt's AT-SPI bridge sends them) is timed by the clock.
    void keyboardSearch(const QString &typed, quint64 timestamp);

    // The clock type-ahead falls back on, and that spaces out what a screen
    // reader is told: milliseconds on a monotonic scale.
    using Clock = std::function<qint64()>;
    void setClock(Clock clock) { clock_ = std::move(clock); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    class FrameOverlay;

    // What a move does to the selection besides moving the current row.
    enum class Select { Only, Extend, Toggle, Keep };

    void updateGeometries();
    void setCurrent(qsizetype row, Select how = Select::Only);
    void popUpMenu(const QPoint &globalPos, bool fromKeyboard);
    int visibleRows() const;

    std::unique_ptr<ListModel> model_;
    QHeaderView *header_;
    FrameOverlay *frameOverlay_;
    qsizetype current_ = -1;
    RowSelection selection_;
    QMenu *menu_ = nullptr;
    int rowHeight_ = 16;
    QString typed_;
    quint64 lastKeyTime_ = 0; // 0: the last key had no timestamp
    qint64 lastKeyClock_ = 0;
    Clock clock_;
    ListAnnouncer announcer_;
};
