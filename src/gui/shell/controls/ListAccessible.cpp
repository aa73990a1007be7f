#include "gui/shell/controls/ListAccessible.h"

#include "gui/shell/controls/ListView.h"

#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>
#include <climits>

namespace {

constexpr qint64 kFarAway = qint64(1) << 30;

// The cache's key of a cell; row -1 (the header) included.
qint64 cellKey(int row, int column)
{
    return ((qint64(row) + 1) << 32) | quint32(column);
}

int rowOfKey(qint64 key)
{
    return int((key >> 32) - 1);
}

// One cell of the list, or with row -1 one cell of its header. It holds no
// text: it reads the model whenever asked, so it stays right as rows arrive.
class ListCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    ListCellAccessible(ListView *view, int row, int column) : view_(view), row_(row), column_(column) {}

    bool isValid() const override
    {
        return view_ && column_ < view_->items().columnCount() && row_ < view_->items().rowCount();
    }
    QObject *object() const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(view_.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface *>(this)
                                                       : nullptr;
    }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name)
            return QString();
        const ListModel &model = view_->items();
        if (row_ < 0)
            return model.headerData(column_, Qt::Horizontal).toString();
        return model.data(model.index(row_, column_)).toString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QAccessible::Role role() const override { return row_ < 0 ? QAccessible::ColumnHeader : QAccessible::Cell; }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QHeaderView *header = view_->header();
        const int x = header->sectionViewportPosition(column_);
        const int w = header->sectionSize(column_);
        if (row_ < 0)
            return QRect(header->viewport()->mapToGlobal(QPoint(x, 0)), QSize(w, header->height()));
        // A row a hundred million rows away lies billions of pixels off; in
        // 64 bits, then kept far enough inside int that no sum overflows.
        const qint64 y = (qint64(row_) - view_->verticalScrollBar()->value()) * view_->rowHeight();
        const int kept = int(std::clamp<qint64>(y, -kFarAway, kFarAway));
        return QRect(view_->viewport()->mapToGlobal(QPoint(x, kept)), QSize(w, view_->rowHeight()));
    }

    QAccessible::State state() const override
    {
        // A screen reader looking for the focus asks every cell this, so it
        // is answered from the row and column numbers, not from screen
        // coordinates.
        QAccessible::State s;
        if (!isValid() || row_ < 0)
            return s;
        s.selectable = true;
        s.focusable = true;
        s.selected = isSelected();
        s.focused = row_ == view_->currentRow() && view_->hasFocus();
        const QWidget *rows = view_->viewport();
        const qint64 y = (qint64(row_) - view_->verticalScrollBar()->value()) * view_->rowHeight();
        const int x = view_->header()->sectionViewportPosition(column_);
        s.invisible = y + view_->rowHeight() <= 0 || y >= rows->height() || x + view_->header()->sectionSize(column_) <= 0
                      || x >= rows->width();
        s.offscreen = s.invisible;
        return s;
    }

    bool isSelected() const override { return row_ >= 0 && view_ && view_->isRowSelected(row_); }
    QList<QAccessibleInterface *> columnHeaderCells() const override
    {
        QAccessibleInterface *table = parent();
        return table && row_ >= 0 ? QList<QAccessibleInterface *>{table->child(column_)} : QList<QAccessibleInterface *>{};
    }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

private:
    QPointer<ListView> view_;
    int row_;
    int column_;
};

QAccessibleInterface *accessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(ListView::staticMetaObject.className()))
        return new ListAccessible(static_cast<ListView *>(object));
    return nullptr;
}

} // namespace

void installAccessibleFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

ListAccessible::ListAccessible(ListView *view) : QAccessibleWidget(view, QAccessible::Table) {}

ListAccessible::~ListAccessible()
{
    dropCells(false);
}

ListView *ListAccessible::view() const
{
    return static_cast<ListView *>(widget());
}

void *ListAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString ListAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && view()->accessibleName().isEmpty() && columnCount() > 0)
        return columnDescription(0);
    return QAccessibleWidget::text(t);
}

QAccessible::State ListAccessible::state() const
{
    // Rows are selected as in any list: Shift and Ctrl with clicks and keys.
    QAccessible::State s = QAccessibleWidget::state();
    s.multiSelectable = true;
    s.extSelectable = true;
    return s;
}

int ListAccessible::columnCount() const
{
    return view()->items().columnCount();
}

int ListAccessible::rowCount() const
{
    return view()->items().rowCount();
}

int ListAccessible::childCount() const
{
    const int columns = columnCount();
    return columns == 0 ? 0 : int(std::min<qint64>((qint64(rowCount()) + 1) * columns, INT_MAX));
}

QAccessibleInterface *ListAccessible::child(int index) const
{
    const int columns = columnCount();
    if (index < 0 || index >= childCount())
        return nullptr;
    return cell(index / columns - 1, index % columns);
}

int ListAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    if (!child || child->parent() != this)
        return -1;
    auto *c = const_cast<QAccessibleInterface *>(child)->tableCellInterface();
    return c ? view()->accessibleChildIndex(c->rowIndex(), c->columnIndex()) : -1;
}

QAccessibleInterface *ListAccessible::childAt(int x, int y) const
{
    const ListView *v = view();
    const QPoint inHeader = v->header()->viewport()->mapFromGlobal(QPoint(x, y));
    const QPoint inRows = v->viewport()->mapFromGlobal(QPoint(x, y));
    if (v->header()->viewport()->rect().contains(inHeader)) {
        const int column = v->header()->logicalIndexAt(inHeader.x());
        return column < 0 ? nullptr : cell(-1, column);
    }
    if (!v->viewport()->rect().contains(inRows))
        return nullptr;
    const int column = v->header()->logicalIndexAt(inRows.x());
    const int row = v->verticalScrollBar()->value() + inRows.y() / v->rowHeight();
    return column < 0 || row >= rowCount() ? nullptr : cell(row, column);
}

QAccessibleInterface *ListAccessible::focusChild() const
{
    const int row = int(view()->currentRow());
    if (view()->hasFocus() && row >= 0 && columnCount() > 0)
        return cell(row, 0);
    return nullptr;
}

QAccessibleInterface *ListAccessible::cellAt(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return nullptr;
    return cell(row, column);
}

QList<QAccessibleInterface *> ListAccessible::selectedCells() const
{
    QList<QAccessibleInterface *> cells;
    const int columns = columnCount();
    if (columns == 0)
        return cells;
    for (const int row : view()->selection().firstRows(kListedCells / columns))
        for (int column = 0; column < columns; ++column)
            cells << cell(row, column);
    return cells;
}

int ListAccessible::selectedCellCount() const
{
    return int(std::min<qint64>(qint64(selectedRowCount()) * columnCount(), INT_MAX));
}

int ListAccessible::selectedRowCount() const
{
    // Rows the view has not been told of yet are never selected.
    return int(std::min<qint64>(view()->selection().count(), INT_MAX));
}

QString ListAccessible::columnDescription(int column) const
{
    return view()->items().headerData(column, Qt::Horizontal).toString();
}

QList<int> ListAccessible::selectedRows() const
{
    return view()->selection().firstRows(kListedCells);
}

bool ListAccessible::isRowSelected(int row) const
{
    return row >= 0 && view()->isRowSelected(row);
}

void ListAccessible::modelChange(QAccessibleTableModelChangeEvent *event)
{
    // Rows and columns are only ever appended, so the cells made so far keep
    // their place. A reset takes every row with it; the header stays.
    if (event->modelChangeType() == QAccessibleTableModelChangeEvent::ModelReset)
        dropCells(true);
}

QAccessibleInterface *ListAccessible::cell(int row, int column) const
{
    const qint64 key = cellKey(row, column);
    if (const auto it = cells_.find(key); it != cells_.end()) {
        recent_.splice(recent_.end(), recent_, it->second.use);
        return QAccessible::accessibleInterface(it->second.id);
    }
    if (cells_.size() >= kCachedCells)
        dropLeastRecent();
    auto *made = new ListCellAccessible(view(), row, column);
    recent_.push_back(key);
    cells_.emplace(key, Cached{QAccessible::registerAccessibleInterface(made), std::prev(recent_.end())});
    return made;
}

void ListAccessible::dropLeastRecent() const
{
    // A screen reader keeps the header and the row it stands on; those stay,
    // however long ago they were asked for. The rest go oldest use first.
    const qsizetype current = view()->currentRow();
    for (auto use = recent_.begin(); use != recent_.end(); ++use) {
        const int row = rowOfKey(*use);
        if (row < 0 || row == current)
            continue;
        const auto it = cells_.find(*use);
        QAccessible::deleteAccessibleInterface(it->second.id);
        cells_.erase(it);
        recent_.erase(use);
        return;
    }
}

void ListAccessible::dropCells(bool keepHeader) const
{
    for (auto use = recent_.begin(); use != recent_.end();) {
        if (keepHeader && rowOfKey(*use) < 0) {
            ++use;
            continue;
        }
        const auto it = cells_.find(*use);
        QAccessible::deleteAccessibleInterface(it->second.id);
        cells_.erase(it);
        use = recent_.erase(use);
    }
}
