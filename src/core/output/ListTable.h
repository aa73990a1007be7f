#pragma once

#include "core/output/ListFormats.h"

#include "core/shell/controls/ListModel.h"

namespace ListFormats {

// A live list as the export layouts see it. Every read goes to the list, so a
// row that is gone throws RuntimeError 35600 right there.
class ListTable {
public:
    explicit ListTable(const ListModel &list) : list_(list) {}

    int columnCount() const { return list_.columnHeaderCount(); }
    qsizetype rowCount() const { return list_.count(); }
    QString title(int column) const { return list_.columnHeaderTitle(column); }
    // The copy asks for a row's tick only when the list shows check boxes: a
    // list without them has no way to tick a row, so it gives every row.
    bool taken(qsizetype row) const { return !list_.checkBoxes() || list_.checked(row); }
    CellText cell(qsizetype row, int column) const
    {
        if (column == 1) {
            bool raw = false;
            const QByteArrayView bytes = list_.textBytes(row, &raw);
            return CellText::fromStored(bytes, raw);
        }
        return CellText::fromText(list_.subItem(row, column - 1));
    }

private:
    const ListModel &list_;
};

} // namespace ListFormats
