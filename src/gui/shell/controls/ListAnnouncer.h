#pragma once

#include <QBasicTimer>
#include <QObject>

#include <functional>

class QWidget;

// What a screen reader is told of one list, and when: rows that arrive, a
// list emptied, the row the keys move to. A screen reader spends tens of
// milliseconds on each event, so a key says one thing: the focused list's
// new row, once the keys that arrived together are handled; an unfocused
// list only its selection. Keys faster than a reader can follow are told a
// few times a second, the last row always.
//
// It knows the list only as a widget and two answers of the list's own: the
// current row (-1 for none) and the child index of a row's first cell.
class ListAnnouncer : public QObject {
public:
    using Clock = std::function<qint64()>; // milliseconds, monotonic
    using CurrentRow = std::function<qsizetype()>;
    using ChildIndex = std::function<int(int row)>;

    ListAnnouncer(QWidget *list, CurrentRow currentRow, ChildIndex childIndex, Clock clock);

    // Rows first to last (from 0) were added, in one batch.
    void rowsInserted(int first, int last);
    void columnsInserted();
    // Before and after the list is emptied; `rows` is what it still holds.
    void aboutToReset(int rows);
    void reset();
    // The keys moved the current row.
    void currentMoved(int row);
    // Rows went into or out of the selection where the current row stayed.
    void selectionChanged();
    // The list took the focus; `landsOnRow` when it has a current row to show.
    void focusEntered(bool landsOnRow);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void scheduleFocusAnnouncement();
    void announceFocus();
    static void holdBackOwnFocusEvent(QWidget *list);

    QWidget *list_;
    CurrentRow currentRow_;
    ChildIndex childIndex_;
    Clock clock_;
    qsizetype announced_ = -1; // the row a screen reader was last told of
    bool announcing_ = false;
    // Orca takes about a tenth of a second to present a row; closer than this,
    // announcements pile up in its queue faster than it empties it.
    static constexpr qint64 kAnnouncementSpacing = 150; // ms
    qint64 lastAnnouncement_ = 0;                      // by clock_
    QBasicTimer announceLater_;
};
