// The list's keys, clicks, selection and context menu, and type-ahead.
#include "gui/shell/controls/ListView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

void ListView::setCurrent(qsizetype row, Select how)
{
    const int rows = model_->rowCount();
    if (rows == 0)
        return;
    row = std::clamp<qsizetype>(row, 0, rows - 1);
    switch (how) {
    case Select::Only: selection_.selectOnly(row); break;
    case Select::Extend: selection_.extendTo(row); break;
    case Select::Toggle: selection_.toggle(row); break;
    case Select::Keep: break;
    }
    const bool moved = current_ != row;
    current_ = row;
    // One thing per key: the row moved to, or else the selection that changed.
    if (moved)
        announcer_.currentMoved(int(row));
    else if (how == Select::Toggle)
        announcer_.selectionChanged();
    const int first = verticalScrollBar()->value();
    if (row < first)
        verticalScrollBar()->setValue(int(row));
    else if (row >= first + visibleRows())
        verticalScrollBar()->setValue(int(row) - visibleRows() + 1);
    viewport()->update();
}

void ListView::mousePressEvent(QMouseEvent *event)
{
    const int row = verticalScrollBar()->value() + int(event->position().y()) / rowHeight_;
    const Qt::KeyboardModifiers keys = event->modifiers();
    if (row < model_->rowCount()) {
        if (event->button() == Qt::LeftButton)
            setCurrent(row, keys & Qt::ControlModifier ? Select::Toggle
                            : keys & Qt::ShiftModifier ? Select::Extend
                                                       : Select::Only);
        // The menu acts on the rows under it: a row outside the selection
        // becomes the selection.
        else if (event->button() == Qt::RightButton)
            setCurrent(row, selection_.contains(row) ? Select::Keep : Select::Only);
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void ListView::selectAll()
{
    const int rows = model_->rowCount();
    if (rows == 0)
        return;
    selection_.selectAll(rows);
    if (current_ < 0)
        setCurrent(verticalScrollBar()->value(), Select::Keep);
    else
        announcer_.selectionChanged();
    viewport()->update();
}

void ListView::contextMenuEvent(QContextMenuEvent *event)
{
    if (actions().isEmpty()) {
        event->ignore();
        return;
    }
    popUpMenu(event->globalPos(), event->reason() == QContextMenuEvent::Keyboard);
}

void ListView::popUpMenu(const QPoint &globalPos, bool fromKeyboard)
{
    QPoint at = globalPos;
    if (fromKeyboard) {
        // Beside the current row when it is in sight, else at the list's top;
        // the pointer may be anywhere.
        const qint64 shown = current_ - verticalScrollBar()->value();
        const int y = current_ >= 0 && shown >= 0 && shown < visibleRows() ? int(shown + 1) * rowHeight_ : 0;
        at = viewport()->mapToGlobal(QPoint(rowHeight_, y));
    }
    if (!menu_)
        menu_ = new QMenu(this);
    menu_->clear();
    menu_->addActions(actions());
    menu_->popup(at);
    // From the keyboard, the first item is where the keys start (and what a
    // screen reader reads).
    if (fromKeyboard) {
        for (QAction *action : actions()) {
            if (action->isEnabled()) {
                menu_->setActiveAction(action);
                break;
            }
        }
    }
}

void ListView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    // Shift+F10 opens the context menu, as the Menu key does.
    if (event->key() == Qt::Key_F10 && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier
        && !actions().isEmpty()) {
        popUpMenu(QPoint(), true);
        return;
    }
    // Shift with a moving key extends the selection from its anchor.
    const Select how = event->modifiers() & Qt::ShiftModifier ? Select::Extend : Select::Only;
    switch (event->key()) {
    case Qt::Key_Up: setCurrent(current_ - 1, how); break;
    case Qt::Key_Down: setCurrent(current_ + 1, how); break;
    case Qt::Key_PageUp: setCurrent(current_ - visibleRows(), how); break;
    case Qt::Key_PageDown: setCurrent(current_ + visibleRows(), how); break;
    case Qt::Key_Home: setCurrent(0, how); break;
    case Qt::Key_End: setCurrent(model_->rowCount() - 1, how); break;
    default:
        if (!event->text().isEmpty() && event->text().at(0).isPrint()
            && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            keyboardSearch(event->text(), event->timestamp());
            return;
        }
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
}

void ListView::keyboardSearch(const QString &typed, quint64 timestamp)
{
    const int rows = model_->rowCount();
    const qint64 now = clock_();
    const quint64 interval = quint64(QApplication::keyboardInputInterval());
    // Two timestamps of one source compare; a key without one and the key
    // before it are compared on the clock, which every key reads.
    const bool pause = timestamp != 0 && lastKeyTime_ != 0
                           ? timestamp < lastKeyTime_ || timestamp - lastKeyTime_ > interval
                           : now < lastKeyClock_ || quint64(now - lastKeyClock_) > interval;
    lastKeyTime_ = timestamp;
    lastKeyClock_ = now;
    // A new search, or the same letter again, looks from the row after the
    // current one, so repeating a letter steps through the rows starting with it.
    bool next = typed_.isEmpty() || pause;
    typed_ = next ? typed : typed_ + typed;
    const bool sameKey = typed_.count(typed_.back()) == typed_.size();
    next = next || sameKey;
    const QString wanted = sameKey ? QString(typed_.front()) : typed_;
    if (rows == 0)
        return;
    // In 64 bits: past a thousand million rows the sum overflows an int.
    const qint64 start = current_ < 0 ? 0 : current_ + (next ? 1 : 0);
    for (qint64 i = 0; i < rows; ++i) {
        const int row = int((start + i) % rows);
        if (model_->rowStartsWith(row, wanted)) {
            setCurrent(row);
            return;
        }
    }
}
