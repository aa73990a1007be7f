#pragma once

#include <QString>

// How the program shows its window on a Linux desktop, decided before Qt
// starts. On a Wayland desktop it runs through XWayland, as an X11 program:
// there the compositor's window manager draws the described frame (no
// maximise button on a window of fixed size; Qt's own title bar on Wayland
// always shows one), the program places its window itself (centred; on
// Wayland a client cannot), and the clipboard is X11's, which the compositor
// shares with Wayland programs and which a clipboard manager takes over at
// exit. Only a Wayland desktop without XWayland gets Qt's Wayland plugin.
// Where neither works the program says why instead of letting Qt abort.

// What the environment offers.
struct DisplayFacts {
    QString requested;          // QT_QPA_PLATFORM, when set: a user's or a test's own choice, honoured
    bool x11 = false;           // an X server answers on DISPLAY (XWayland on a Wayland desktop)
    bool wayland = false;       // a Wayland compositor answers on WAYLAND_DISPLAY
    bool waylandPlugin = false; // Qt's Wayland platform plugin is installed
};

struct DisplayChoice {
    QString platform; // the Qt platform to start; empty: the one requested
    QString problem;  // why no window can be shown; empty when one can
};

DisplayChoice chooseDisplay(const DisplayFacts &facts);

// The facts of this process's environment: it connects to the X server and
// the compositor named there, and looks for the plugin among Qt's plugins.
// It stays connected to the X server until it goes: an X server without
// other clients (Xvfb) starts afresh when its last client leaves, and refuses
// Qt's connection meanwhile.
class DisplayProbe {
public:
    DisplayProbe();
    ~DisplayProbe();
    DisplayProbe(const DisplayProbe &) = delete;
    DisplayProbe &operator=(const DisplayProbe &) = delete;
    const DisplayFacts &facts() const { return facts_; }

private:
    DisplayFacts facts_;
    void *x11_ = nullptr; // the X connection, while it is held
};

// Whether a compositor listens on the Wayland display named as
// WAYLAND_DISPLAY names it (a name in runtimeDir, or a full path).
bool waylandAnswers(const QString &display, const QString &runtimeDir);
