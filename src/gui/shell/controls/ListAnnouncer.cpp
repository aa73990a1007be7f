#include "gui/shell/controls/ListAnnouncer.h"

#include <QAccessible>
#include <QPointer>
#include <QTimerEvent>
#include <QWidget>

ListAnnouncer::ListAnnouncer(QWidget *list, CurrentRow currentRow, ChildIndex childIndex, Clock clock)
    : list_(list), currentRow_(std::move(currentRow)), childIndex_(std::move(childIndex)), clock_(std::move(clock))
{
}

void ListAnnouncer::rowsInserted(int first, int last)
{
    QAccessibleTableModelChangeEvent arrived(list_, QAccessibleTableModelChangeEvent::RowsInserted);
    arrived.setFirstRow(first);
    arrived.setLastRow(last);
    QAccessible::updateAccessibility(&arrived);
    // Qt's AT-SPI bridge passes no table change on, but a new child it reports
    // as children-changed on the list: one for the batch, naming its last row.
    if (QAccessible::isActive()) {
        QAccessibleEvent created(list_, QAccessible::ObjectCreated);
        created.setChild(childIndex_(last));
        QAccessible::updateAccessibility(&created);
    }
}

void ListAnnouncer::columnsInserted()
{
    QAccessibleTableModelChangeEvent added(list_, QAccessibleTableModelChangeEvent::ColumnsInserted);
    QAccessible::updateAccessibility(&added);
}

void ListAnnouncer::aboutToReset(int rows)
{
    // Sent while the rows still exist: the bridge reports a child that is gone
    // only while it can still read it.
    if (rows == 0 || !QAccessible::isActive())
        return;
    QAccessibleEvent gone(list_, QAccessible::ObjectDestroyed);
    gone.setChild(childIndex_(0));
    QAccessible::updateAccessibility(&gone);
}

void ListAnnouncer::reset()
{
    announced_ = -1;
    QAccessibleTableModelChangeEvent reset(list_, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&reset);
}

void ListAnnouncer::currentMoved(int row)
{
    // Qt makes the row's accessible cell for each event, so events wait for an
    // assistive technology to be listening.
    if (!QAccessible::isActive())
        return;
    if (list_->hasFocus()) {
        scheduleFocusAnnouncement();
    } else {
        QAccessibleEvent selection(list_, QAccessible::Selection);
        selection.setChild(childIndex_(row));
        QAccessible::updateAccessibility(&selection);
    }
}

void ListAnnouncer::selectionChanged()
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent within(list_, QAccessible::SelectionWithin);
    QAccessible::updateAccessibility(&within);
}

void ListAnnouncer::focusEntered(bool landsOnRow)
{
    // Qt announces the focus on the list itself right after this. With a row
    // to land on, that announcement is held back and the row's alone goes
    // out, a moment later: one focus event for the screen reader, on the row,
    // whichever way the focus came. An empty list is announced as itself.
    if (landsOnRow && QAccessible::isActive())
        holdBackOwnFocusEvent(list_);
    announced_ = -1;
    scheduleFocusAnnouncement();
}

void ListAnnouncer::scheduleFocusAnnouncement()
{
    if (announcing_ || announceLater_.isActive())
        return;
    // A row reached after a quiet spell, or the row the focus lands on, is
    // told at once; within a burst of keys the next one waits its turn.
    const qint64 since = clock_() - lastAnnouncement_;
    if (announced_ < 0 || since < 0 || since >= kAnnouncementSpacing) {
        announcing_ = true;
        QMetaObject::invokeMethod(this, &ListAnnouncer::announceFocus, Qt::QueuedConnection);
    } else {
        announceLater_.start(int(kAnnouncementSpacing - since), this);
    }
}

void ListAnnouncer::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != announceLater_.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    announceLater_.stop();
    announceFocus();
}

void ListAnnouncer::announceFocus()
{
    announcing_ = false;
    announceLater_.stop();
    holdBackOwnFocusEvent(nullptr);
    const qsizetype current = currentRow_();
    if (!list_->hasFocus() || current < 0 || current == announced_ || !QAccessible::isActive())
        return;
    announced_ = current;
    lastAnnouncement_ = clock_();
    QAccessibleEvent focus(list_, QAccessible::Focus);
    focus.setChild(childIndex_(int(current)));
    QAccessible::updateAccessibility(&focus);
}

namespace {

// The list whose own focus event is held back, and the handler that does it.
// A handler in place takes every event from Qt; the others are passed on to
// the platform as if there were none, and it is there only for the moment
// between a list's focus-in and Qt's announcement of it. (Qt hands a table
// its own change events before any handler; one passed on reaches the table a
// second time, which a list of ours takes in its stride.)
QPointer<QWidget> g_entering;
QAccessible::UpdateHandler g_passOn = nullptr;

void dropOwnFocusEvent(QAccessibleEvent *event)
{
    const bool own = event->type() == QAccessible::Focus && event->child() < 0 && g_entering
                     && event->object() == g_entering.data();
    QAccessible::installUpdateHandler(g_passOn);
    if (own)
        g_entering = nullptr;
    else
        QAccessible::updateAccessibility(event);
    if (g_entering)
        QAccessible::installUpdateHandler(dropOwnFocusEvent);
}

} // namespace

void ListAnnouncer::holdBackOwnFocusEvent(QWidget *list)
{
    if (list && !g_entering)
        g_passOn = QAccessible::installUpdateHandler(dropOwnFocusEvent);
    else if (!list && g_entering)
        QAccessible::installUpdateHandler(g_passOn);
    g_entering = list;
}
