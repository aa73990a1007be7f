#pragma once

#include <QAccessibleWidget>
#include <QPointer>

#include <list>
#include <unordered_map>

class ListView;

// What assistive technology sees of a ListView: a table named after its
// column, the header cells first, then one cell per row and column. Cells are
// made only when asked for, and only the most recently asked ones are kept, so
// a list of millions of rows costs nothing until a screen reader reads it and
// little while one does. The header's cells and the current row's, which a
// reader holds on to, are never among those let go.
class ListAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit ListAccessible(ListView *view);
    ~ListAccessible() override;

    // How many cells stay cached; the least recently asked are handed back to
    // QAccessible, which deletes them.
    static constexpr size_t kCachedCells = 4096;
    // Selected cells handed out at once: well inside the cache, so that none
    // of them is let go while the caller still holds the list.
    static constexpr int kListedCells = 1024;

    void *interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *focusChild() const override;

    // QAccessibleTableInterface
    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override;
    // Counts are whole; the lists of rows and cells hold the first of them,
    // as many as the cell cache keeps alive at once.
    int selectedCellCount() const override;
    QList<QAccessibleInterface *> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int) const override { return QString(); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    // The program never sets a selection; only the user does.
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *event) override;

private:
    ListView *view() const;
    // row -1 is the header.
    QAccessibleInterface *cell(int row, int column) const;
    void dropLeastRecent() const;
    void dropCells(bool keepHeader) const;

    struct Cached {
        QAccessible::Id id;
        std::list<qint64>::iterator use;
    };
    mutable std::unordered_map<qint64, Cached> cells_; // by cellKey()
    mutable std::list<qint64> recent_;                 // least recently asked first
};

// Installs, once, the interface of every list view: where the program starts,
// and in a test that reads a list as a screen reader does.
void installAccessibleFactory();
