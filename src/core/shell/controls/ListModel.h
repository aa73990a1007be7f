#pragma once

#include "core/shell/controls/TextColumn.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <unordered_map>
#include <unordered_set>
#include <vector>

// The items of one report-style list: column headers, rows with their text,
// sub-items and check state. The list operations count rows and columns from 1
// and throw RuntimeError for a row outside 1..count.
//
// Rows added here are counted at once, but views learn of them in batches: one
// queued flush announces every row added since the last one, so a loop that
// adds a row at a time never costs the view a pass per row.
class ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ListModel(QObject *parent = nullptr);

    // Column headers.
    void addColumnHeader(const QString &title);
    int columnHeaderCount() const { return int(headers_.size()); }
    QString columnHeaderTitle(int column) const;
    void setColumnHeaderWidth(int column, int twips);
    int columnHeaderWidth(int column) const; // twips

    // Items.
    qsizetype count() const { return texts_.size(); }
    QString text(qsizetype item) const;
    // The stored bytes, valid until clear(): UTF-8, or for a raw item the
    // bytes of a line that was not text in the system's code page.
    QByteArrayView textBytes(qsizetype item, bool *raw = nullptr) const
    {
        checkItem(item);
        return texts_.bytesAt(item - 1, raw);
    }
    bool isRaw(qsizetype item) const;
    QString subItem(qsizetype item, int k) const;  // column k + 1; empty when never set
    void setSubItem(qsizetype item, int k, const QString &text);
    bool checked(qsizetype item) const;
    void setChecked(qsizetype item, bool on);
    // Whether the list shows check boxes, with which a user could tick rows.
    bool checkBoxes() const { return checkBoxes_; }
    void setCheckBoxes(bool on) { checkBoxes_ = on; }

    void add(QStringView text);
    // Inline: loads and runs add rows by the million.
    void addUtf8(QByteArrayView utf8)
    {
        texts_.append(utf8);
        rowsAdded();
    }
    void addRaw(QByteArrayView bytes)
    {
        texts_.appendRaw(bytes);
        rowsAdded();
    }
    // An item made of part of an item of another list (a domain cut from its
    // entry, `part` a view into source.textBytes(item, &raw)): it shares the
    // bytes instead of copying them, and is raw when that item is.
    void addPartOf(const ListModel &source, qsizetype item, QByteArrayView part, bool raw)
    {
        texts_.appendPartOf(source.texts_, item - 1, part, raw);
        rowsAdded();
    }
    // Asked before the list takes memory for more items (see TextColumn).
    void setMemoryCheck(TextColumn::MemoryCheck check) { texts_.setMemoryCheck(std::move(check)); }
    void clear();
    // Room for rows of this many bytes about to be added (see TextColumn).
    void reserveBytes(qsizetype bytes) { texts_.reserveBytes(bytes); }
    qsizetype usedBytes() const { return texts_.usedBytes(); }

    // Announces rows added since the last flush. Runs by itself from the event
    // loop; call it directly to make a view current at once.
    void flush();

    qsizetype allocatedBytes() const;

    // What a view paints of a cell (row and column from 0): at least the first
    // `chars` characters.
    QString displayText(int row, int column, qsizetype chars) const;
    // Whether the text of a shown row (from 0) starts with the prefix, ignoring
    // case. Type-ahead asks this of many rows per key: no row is decoded whole.
    virtual bool rowStartsWith(int row, QStringView prefix) const;

    // QAbstractItemModel: the rows a view has been told about.
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    void columnWidthChanged(int column, int twips);

private:
    void checkItem(qsizetype item) const
    {
        if (item < 1 || item > count())
            throwIndexOutOfBounds();
    }
    [[noreturn]] static void throwIndexOutOfBounds();
    void rowsAdded()
    {
        if (!flushQueued_)
            queueFlush();
    }
    void queueFlush();

    struct Header {
        QString title;
        int widthTwips = 1440;
    };
    std::vector<Header> headers_;
    TextColumn texts_;
    std::vector<std::unordered_map<qsizetype, QString>> subItems_; // [k - 1][item]
    std::unordered_set<qsizetype> checked_;
    bool checkBoxes_ = false;
    qsizetype shown_ = 0;
    bool flushQueued_ = false;
};
