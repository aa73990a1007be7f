// Pointer feedback: the hand over the buttons, the normal pointer over the
// window and the lists, and the hourglass left alone while work runs.
#include "gui/shell/window/Form1.h"

#include "gui/shell/controls/ListView.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>

#include <cmath>

// A control reports moves over every part of it (a list's rows, header and
// scroll bars alike), so each part is tracked and watched.
void Form1::watchMouse(QWidget *control)
{
    control->setMouseTracking(true);
    control->installEventFilter(this);
    for (QWidget *part : control->findChildren<QWidget *>()) {
        part->setMouseTracking(true);
        part->installEventFilter(this);
    }
}

// The setting belongs to the window; the controls set no pointer of their own,
// so whatever the window shows, they show too.
void Form1::setMousePointer(int value)
{
    mousePointer_ = value;
    switch (value) {
    case PointerArrow: setCursor(Qt::ArrowCursor); break;
    case PointerHourglass:
        setCursor(Qt::WaitCursor);
        // A header shows its own divider pointer while hovered; that must not
        // outlast the start of busy work.
        for (ListView *list : {ListView1, ListView2}) {
            list->header()->unsetCursor();
            list->header()->viewport()->unsetCursor();
        }
        break;
    case PointerCustom:
        if (hasMouseIcon_) {
            // Made once for each scale: every move over a button comes here,
            // and a new picture would be a new cursor for the window system.
            if (shownHandScale_ != devicePixelRatioF()) {
                shownHandScale_ = devicePixelRatioF();
                shownHand_ = cursorForScale(mouseIcon_, shownHandScale_,
                                            QGuiApplication::platformName() == QLatin1String("xcb"));
            }
            setCursor(shownHand_);
        } else
            setCursor(Qt::ArrowCursor); // no hand file shipped
        break;
    default: unsetCursor(); break;
    }
}

QCursor Form1::cursorForScale(const QCursor &picture, qreal scale, bool scaleHere)
{
    const QPixmap pixmap = picture.pixmap();
    if (!scaleHere || scale == 1 || pixmap.isNull())
        return picture;
    // Whole multiples keep the drawing's hard edges; other scales are smoothed.
    const bool whole = scale == std::round(scale);
    const QPixmap scaled = pixmap.scaled((QSizeF(pixmap.size()) * scale).toSize(), Qt::IgnoreAspectRatio,
                                         whole ? Qt::FastTransformation : Qt::SmoothTransformation);
    const QPoint hot = picture.hotSpot();
    return QCursor(scaled, qRound(hot.x() * scale), qRound(hot.y() * scale));
}

void Form1::Form_MouseMove()
{
    if (mousePointer_ != PointerHourglass)
        setMousePointer(PointerDefault);
}

void Form1::ListView1_MouseMove()
{
    if (mousePointer_ != PointerHourglass)
        setMousePointer(PointerDefault);
}

void Form1::ListView2_MouseMove()
{
    if (mousePointer_ != PointerHourglass)
        setMousePointer(PointerDefault);
}

void Form1::PushButton_MouseMove(int)
{
    if (mousePointer_ != PointerHourglass)
        setMousePointer(PointerCustom);
}

void Form1::PushButton1_MouseMove() { PushButton_MouseMove(1); }
void Form1::PushButton2_MouseMove() { PushButton_MouseMove(2); }
void Form1::PushButton3_MouseMove() { PushButton_MouseMove(3); }
void Form1::PushButton4_MouseMove() { PushButton_MouseMove(4); }
void Form1::PushButton5_MouseMove() { PushButton_MouseMove(5); }
void Form1::PushButton6_MouseMove() { PushButton_MouseMove(6); }
void Form1::PushButton7_MouseMove() { PushButton_MouseMove(7); }
void Form1::PushButton8_MouseMove() { PushButton_MouseMove(8); }
void Form1::PushButton9_MouseMove() { PushButton_MouseMove(9); }

void Form1::mouseMoveEvent(QMouseEvent *event)
{
    // A move that a control ignored climbs up to the window; only moves over
    // the bare surface are the window's own.
    if (!childAt(event->position().toPoint()))
        Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseMove)
        return QWidget::eventFilter(watched, event);
    // The control a part belongs to is the window's child above it.
    auto *control = qobject_cast<QWidget *>(watched);
    while (control && control->parentWidget() != this)
        control = control->parentWidget();
    if (control == ListView1 || control == ListView2) {
        if (control == ListView1)
            ListView1_MouseMove();
        else
            ListView2_MouseMove();
        // While busy, a header must not swap the hourglass for its divider pointer.
        auto *list = static_cast<ListView *>(control);
        if (mousePointer_ == PointerHourglass && watched == list->header()->viewport())
            return true;
        return false;
    }
    using Handler = void (Form1::*)();
    static constexpr Handler buttonHandlers[] = {
        &Form1::PushButton1_MouseMove, &Form1::PushButton2_MouseMove, &Form1::PushButton3_MouseMove,
        &Form1::PushButton4_MouseMove, &Form1::PushButton5_MouseMove, &Form1::PushButton6_MouseMove,
        &Form1::PushButton7_MouseMove, &Form1::PushButton8_MouseMove, &Form1::PushButton9_MouseMove,
    };
    for (int n = 1; n <= 9; ++n)
        if (control == button(n))
            (this->*buttonHandlers[n - 1])();
    return QWidget::eventFilter(watched, event);
}
