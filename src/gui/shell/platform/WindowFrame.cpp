#include "gui/shell/platform/WindowFrame.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef KESTRUNE_X11
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#endif

namespace {

#ifdef KESTRUNE_X11
// How long a window manager may take to answer: it answers at once, so only
// a hung one is waited for this long, once, at start-up.
constexpr int kAnswerLimitMs = 500;

xcb_atom_t atomNamed(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// The 32-bit values of a window's property, up to `count` of them.
QList<quint32> propertyValues(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                              uint32_t count)
{
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, type, 0, count), nullptr);
    QList<quint32> values;
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply));
        values = QList<quint32>(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
}

xcb_connection_t *x11Connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// The frame's sides as the manager sets them on the window: left, right, top,
// bottom, in device pixels.
QMargins frameExtents(xcb_connection_t *connection, const QWidget &window, xcb_atom_t extents)
{
    const QList<quint32> sides =
        propertyValues(connection, xcb_window_t(window.winId()), extents, XCB_ATOM_CARDINAL, 4);
    if (sides.size() != 4)
        return {};
    const qreal scale = window.devicePixelRatioF();
    return QMargins(qRound(sides[0] / scale), qRound(sides[2] / scale), qRound(sides[1] / scale),
                    qRound(sides[3] / scale));
}

// Sees the property change in the X events Qt reads, once.
class FrameWatch : public QObject, public QAbstractNativeEventFilter {
public:
    FrameWatch(QWidget &window, xcb_connection_t *connection, std::function<void(QMargins)> known)
        : QObject(&window), window_(window), connection_(connection),
          extents_(atomNamed(connection, "_NET_FRAME_EXTENTS")), known_(std::move(known))
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~FrameWatch() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (done_ || type != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            return false;
        const auto *change = reinterpret_cast<const xcb_property_notify_event_t *>(event);
        if (change->window != xcb_window_t(window_.winId()) || change->atom != extents_)
            return false;
        const QMargins frame = frameExtents(connection_, window_, extents_);
        if (!frame.isNull()) {
            done_ = true;
            known_(frame);
            deleteLater();
        }
        return false;
    }

private:
    QWidget &window_;
    xcb_connection_t *connection_;
    xcb_atom_t extents_;
    std::function<void(QMargins)> known_;
    bool done_ = false;
};

QMargins askWindowManager(QWidget &window)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return {};
    const xcb_window_t id = xcb_window_t(window.winId());
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t request = atomNamed(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = atomNamed(connection, "_NET_FRAME_EXTENTS");
    if (!propertyValues(connection, root, atomNamed(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 4096)
             .contains(request))
        return {};
    xcb_client_message_event_t message = {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);
    const QDeadlineTimer deadline(kAnswerLimitMs);
    while (!deadline.hasExpired()) {
        const QMargins frame = frameExtents(connection, window, extents);
        if (!frame.isNull())
            return frame;
        QThread::msleep(5);
    }
    return {};
}
#endif

} // namespace

QMargins frameMarginsBeforeShow(QWidget &window)
{
    window.winId(); // the native window, which the frame belongs to
#ifdef KESTRUNE_X11
    if (x11Connection())
        return askWindowManager(window);
#endif
    const QRect frame = window.frameGeometry(), client = window.geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                    frame.bottom() - client.bottom());
}

void whenFrameKnown(QWidget &window, std::function<void(QMargins)> known)
{
#ifdef KESTRUNE_X11
    if (xcb_connection_t *connection = x11Connection())
        new FrameWatch(window, connection, std::move(known));
#else
    Q_UNUSED(window);
    Q_UNUSED(known);
#endif
}
