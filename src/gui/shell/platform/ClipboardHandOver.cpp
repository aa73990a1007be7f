// Copied text outlives the program, whatever its size.
//
// Qt asks the clipboard manager itself only from its X11 plugin's destructor
// (QXcbClipboard::~QXcbClipboard), and from there it sends nothing in steps
// (INCR): a text longer than one X request, 16 MiB on Xorg and Xvfb, is
// refused and the manager keeps nothing. A longer text is offered here, while
// the event loop still runs and Qt serves the manager's fetch in steps. Only
// UTF8_STRING is named: a manager fetches the named targets at once, and Qt
// keeps one stepwise transfer per requesting window, so a second one would
// stall. Once the manager owns the clipboard, Qt's own request is not made.
#include "gui/shell/platform/QtPlatform.h"

#include <QWidget> // completes the window pointer the class holds

#ifdef KESTRUNE_X11
#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMimeData>
#include <QSet>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

// The longest the hand-over may take, however busy the manager seems.
constexpr int kHandOverLimitMs = 10000;

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

bool hasOwner(xcb_connection_t *connection, xcb_atom_t selection)
{
    xcb_get_selection_owner_reply_t *reply =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = reply && reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

// Sees the X events Qt reads: the manager's answer, and each step of its
// fetch, which shows that it is still at work. Only the fetch counts: the
// requests for the clipboard and the property changes on the windows that
// made them. Window managers change properties of the root window all the
// time, and those must not keep the program waiting.
class HandOverWatch : public QAbstractNativeEventFilter {
public:
    HandOverWatch(xcb_window_t requestor, xcb_atom_t clipboard, QEventLoop &loop, QTimer &idle)
        : requestor_(requestor), clipboard_(clipboard), loop_(loop), idle_(idle)
    {
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        switch (event->response_type & 0x7f) {
        case XCB_SELECTION_NOTIFY:
            if (reinterpret_cast<const xcb_selection_notify_event_t *>(event)->requestor != requestor_)
                return false;
            answered_ = true;
            loop_.quit();
            return true; // the answer to our own request; nothing of Qt's
        case XCB_SELECTION_REQUEST: {
            const auto *request = reinterpret_cast<const xcb_selection_request_event_t *>(event);
            if (request->selection == clipboard_) {
                fetchers_.insert(request->requestor);
                idle_.start();
            }
            return false;
        }
        case XCB_PROPERTY_NOTIFY:
            if (fetchers_.contains(reinterpret_cast<const xcb_property_notify_event_t *>(event)->window))
                idle_.start();
            return false;
        default:
            return false;
        }
    }

    bool answered() const { return answered_; }

private:
    bool answered_ = false;
    xcb_window_t requestor_;
    xcb_atom_t clipboard_;
    QEventLoop &loop_;
    QTimer &idle_;
    QSet<xcb_window_t> fetchers_;
};

} // namespace

void QtPlatform::handClipboardOver()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!x11 || !clipboard || !clipboard->ownsClipboard())
        return;
    xcb_connection_t *connection = x11->connection();
    const xcb_atom_t manager = internAtom(connection, "CLIPBOARD_MANAGER");
    if (!hasOwner(connection, manager) || !clipboard->mimeData() || !clipboard->mimeData()->hasText())
        return;
    // What one ChangeProperty carries, as Qt reckons it: left to Qt's own request.
    const uint32_t words = xcb_get_maximum_request_length(connection);
    const qsizetype fits = qsizetype(words) * 4 - qsizetype(sizeof(xcb_change_property_request_t)) - (words > 0xFFFF ? 4 : 0);
    if (clipboard->mimeData()->data(QStringLiteral("text/plain")).size() <= fits)
        return;

    // A window of our own asks, so that the answer is told from Qt's traffic.
    const xcb_window_t requestor = xcb_generate_id(connection);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, requestor, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t targets = internAtom(connection, "KESTRUNE_SAVE_TARGETS");
    const xcb_atom_t utf8 = internAtom(connection, "UTF8_STRING");
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, requestor, targets, XCB_ATOM_ATOM, 32, 1, &utf8);
    xcb_convert_selection(connection, requestor, manager, internAtom(connection, "SAVE_TARGETS"), targets,
                          XCB_CURRENT_TIME);
    xcb_flush(connection);

    // Qt drops a step-wise transfer after 5 s without a step; a manager that
    // shows no sign of work for that long is gone or stuck. One that keeps
    // asking for ever is given a fixed time in all: the window is closed, and
    // the program must end.
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(5000);
    QObject::connect(&idle, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer whole;
    whole.setSingleShot(true);
    whole.setInterval(kHandOverLimitMs);
    QObject::connect(&whole, &QTimer::timeout, &loop, &QEventLoop::quit);
    HandOverWatch watch(requestor, internAtom(connection, "CLIPBOARD"), loop, idle);
    qGuiApp->installNativeEventFilter(&watch);
    idle.start();
    whole.start();
    loop.exec();
    qGuiApp->removeNativeEventFilter(&watch);

    xcb_destroy_window(connection, requestor);
    xcb_flush(connection);
    // A manager that did not answer would be asked again by Qt's shutdown,
    // which waits another 5 s and cannot hand over a text this long anyway.
    if (!watch.answered())
        clipboard->clear();
}

#else

void QtPlatform::handClipboardOver()
{
    // Only X11 needs the manager asked early; elsewhere copied text is left
    // to Qt's own shutdown.
}

#endif
