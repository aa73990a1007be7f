#include "core/shell/controls/ListModel.h"

#include "core/shell/platform/RuntimeError.h"

ListModel::ListModel(QObject *parent) : QAbstractTableModel(parent) {}

void ListModel::addColumnHeader(const QString &title)
{
    const int c = columnHeaderCount();
    beginInsertColumns(QModelIndex(), c, c);
    headers_.push_back({title});
    endInsertColumns();
}

static void checkColumn(int column, int count)
{
    if (column < 1 || column > count)
        throw IndexOutOfBounds();
}

QString ListModel::columnHeaderTitle(int column) const
{
    checkColumn(column, columnHeaderCount());
    return headers_[size_t(column - 1)].title;
}

void ListModel::setColumnHeaderWidth(int column, int twips)
{
    checkColumn(column, columnHeaderCount());
    headers_[size_t(column - 1)].widthTwips = twips;
    emit columnWidthChanged(column, twips);
}

int ListModel::columnHeaderWidth(int column) const
{
    checkColumn(column, columnHeaderCount());
    return headers_[size_t(column - 1)].widthTwips;
}

void ListModel::throwIndexOutOfBounds()
{
    throw IndexOutOfBounds();
}

QString ListModel::text(qsizetype item) const
{
    checkItem(item);
    return texts_.at(item - 1);
}

bool ListModel::isRaw(qsizetype item) const
{
    checkItem(item);
    return texts_.isRaw(item - 1);
}

QString ListModel::subItem(qsizetype item, int k) const
{
    checkItem(item);
    if (k < 1)
        throw IndexOutOfBounds();
    if (size_t(k) > subItems_.size())
        return QString();
    const auto &column = subItems_[size_t(k - 1)];
    const auto it = column.find(item);
    return it == column.end() ? QString() : it->second;
}

void ListModel::setSubItem(qsizetype item, int k, const QString &text)
{
    checkItem(item);
    if (k < 1)
        throw IndexOutOfBounds();
    if (size_t(k) > subItems_.size())
        subItems_.resize(size_t(k));
    subItems_[size_t(k - 1)][item] = text;
    if (item <= shown_ && k < columnCount()) {
        const QModelIndex i = index(int(item - 1), k);
        emit dataChanged(i, i);
    }
}

bool ListModel::checked(qsizetype item) const
{
    checkItem(item);
    return checked_.count(item) != 0;
}

void ListModel::setChecked(qsizetype item, bool on)
{
    checkItem(item);
    if (on)
        checked_.insert(item);
    else
        checked_.erase(item);
}

void ListModel::add(QStringView text)
{
    texts_.append(text);
    rowsAdded();
}

void ListModel::queueFlush()
{
    flushQueued_ = true;
    QMetaObject::invokeMethod(this, &ListModel::flush, Qt::QueuedConnection);
}

void ListModel::flush()
{
    flushQueued_ = false;
    const qsizetype total = count();
    if (total <= shown_)
        return;
    // A view addresses rows with int; beyond that the tail stays unannounced.
    const qsizetype last = std::min<qsizetype>(total, std::numeric_limits<int>::max()) - 1;
    if (last < shown_)
        return;
    beginInsertRows(QModelIndex(), int(shown_), int(last));
    shown_ = last + 1;
    endInsertRows();
}

void ListModel::clear()
{
    beginResetModel();
    texts_.clear();
    std::vector<std::unordered_map<qsizetype, QString>>().swap(subItems_);
    std::unordered_set<qsizetype>().swap(checked_);
    shown_ = 0;
    endResetModel();
}

qsizetype ListModel::allocatedBytes() const
{
    return texts_.allocatedBytes();
}

QString ListModel::displayText(int row, int column, qsizetype chars) const
{
    if (row < 0 || row >= shown_)
        return QString();
    if (column == 0)
        return texts_.prefixAt(row, chars);
    return subItem(row + 1, column).left(chars);
}

bool ListModel::rowStartsWith(int row, QStringView prefix) const
{
    if (row < 0 || row >= shown_)
        return false;
    bool ascii = true;
    for (const QChar c : prefix)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii) {
        // Stored bytes compare directly: an ASCII character is one byte in UTF-8,
        // and the same byte in a row kept as raw bytes.
        const QByteArrayView bytes = texts_.bytesAt(row);
        if (bytes.size() < prefix.size())
            return false;
        for (qsizetype i = 0; i < prefix.size(); ++i)
            if (QChar::toLower(char16_t(uchar(bytes[i]))) != QChar::toLower(prefix[i].unicode()))
                return false;
        return true;
    }
    return texts_.prefixAt(row, prefix.size()).startsWith(prefix, Qt::CaseInsensitive);
}

int ListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(shown_);
}

int ListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columnHeaderCount();
}

QVariant ListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= shown_)
        return QVariant();
    const qsizetype item = index.row() + 1;
    return index.column() == 0 ? text(item) : subItem(item, index.column());
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnHeaderCount())
        return QVariant();
    return headers_[size_t(section)].title;
}
