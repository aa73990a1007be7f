#include "gui/shell/platform/DisplayChoice.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>

#ifdef KESTRUNE_X11
#include <xcb/xcb.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#endif

namespace {

const QString kCannot = QStringLiteral("Kestrune Domain Extractor cannot open its window: ");
const QString kPlugin = QStringLiteral("Qt's Wayland platform plugin is not installed (Debian and Ubuntu: "
                                       "sudo apt install qt6-wayland)");

bool waylandPluginInstalled()
{
    QStringList folders{QLibraryInfo::path(QLibraryInfo::PluginsPath)};
    folders += qEnvironmentVariable("QT_PLUGIN_PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    for (const QString &folder : std::as_const(folders))
        if (!QDir(folder + QStringLiteral("/platforms")).entryList({QStringLiteral("libqwayland*")}).isEmpty())
            return true;
    return false;
}

} // namespace

DisplayChoice chooseDisplay(const DisplayFacts &facts)
{
    if (!facts.requested.isEmpty()) {
        if (facts.requested.startsWith(QLatin1String("wayland")) && !facts.waylandPlugin)
            return {{}, kCannot + QStringLiteral("QT_QPA_PLATFORM asks for Wayland, but ") + kPlugin + u'.'};
        if (facts.requested == QLatin1String("xcb") && !facts.x11)
            return {{}, kCannot + QStringLiteral("QT_QPA_PLATFORM asks for X11, but no X server answers on DISPLAY.")};
        return {};
    }
    if (facts.x11)
        return {QStringLiteral("xcb"), {}};
    if (facts.wayland && facts.waylandPlugin)
        return {QStringLiteral("wayland"), {}};
    if (facts.wayland)
        return {{}, kCannot + QStringLiteral("this Wayland desktop runs no XWayland (no X server answers on "
                                             "DISPLAY), and ") + kPlugin + u'.'};
    return {{}, kCannot + QStringLiteral("neither an X server (DISPLAY) nor a Wayland compositor (WAYLAND_DISPLAY) "
                                         "answers. Start it from the desktop, or set DISPLAY or WAYLAND_DISPLAY.")};
}

bool waylandAnswers(const QString &display, const QString &runtimeDir)
{
#ifdef KESTRUNE_X11
    const QString path = display.startsWith(u'/') ? display : runtimeDir + u'/' + display;
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address = {};
    if (runtimeDir.isEmpty() && !display.startsWith(u'/'))
        return false;
    if (size_t(name.size()) >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answers = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return answers;
#else
    Q_UNUSED(display);
    Q_UNUSED(runtimeDir);
    return false;
#endif
}

DisplayProbe::DisplayProbe()
{
    DisplayFacts &facts = facts_;
    facts.requested = qEnvironmentVariable("QT_QPA_PLATFORM");
#ifdef KESTRUNE_X11
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
        facts.x11 = connection && !xcb_connection_has_error(connection);
        if (facts.x11)
            x11_ = connection;
        else
            xcb_disconnect(connection);
    }
#endif
    // The compositor's name: WAYLAND_DISPLAY, or wayland-0 as libwayland takes it when unset.
    const QString display = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    facts.wayland = !qEnvironmentVariableIsEmpty("WAYLAND_SOCKET")
        || waylandAnswers(display, qEnvironmentVariable("XDG_RUNTIME_DIR"));
    facts.waylandPlugin = waylandPluginInstalled();
}

DisplayProbe::~DisplayProbe()
{
#ifdef KESTRUNE_X11
    if (x11_)
        xcb_disconnect(static_cast<xcb_connection_t *>(x11_));
#endif
}
