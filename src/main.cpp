// The program: Qt's application, the real platform and the one window.
#include "gui/shell/controls/ListAccessible.h"
#include "gui/shell/platform/DisplayChoice.h"
#include "gui/shell/platform/QtPlatform.h"
#include "gui/shell/window/Form1.h"
#include "gui/shell/window/StartPosition.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

// Qt ends the program with an abort when its platform cannot start (a
// compositor or X server gone since it was chosen, a platform asked for that
// is not there): while the application starts, such a failure ends the
// program with its reason and status 1 instead.
void failedToStart(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    std::fprintf(stderr, "%s\n", qPrintable(message));
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "Kestrune Domain Extractor cannot open its window.\n");
        std::_Exit(1);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    std::vector<char *> args(argv, argv + argc);
#ifdef KESTRUNE_X11
    std::optional<DisplayProbe> probe(std::in_place);
    const DisplayChoice display = chooseDisplay(probe->facts());
    if (!display.problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(display.problem));
        return 1;
    }
    QByteArray platformName = display.platform.toLatin1();
    char platformOption[] = "-platform";
    if (!platformName.isEmpty())
        args.insert(args.begin() + 1, {platformOption, platformName.data()});
#endif
    int count = int(args.size());
    args.push_back(nullptr);
    const QtMessageHandler previous = qInstallMessageHandler(failedToStart);
    QApplication app(count, args.data());
    qInstallMessageHandler(previous);
#ifdef KESTRUNE_X11
    probe.reset(); // Qt has a connection of its own now
#endif
    // Both lists read as tables to a screen reader.
    installAccessibleFactory();
    QtPlatform platform;
    Form1 window(platform);
    platform.setWindow(&window);
    window.Form_Load();
    placeAtStart(window);
    window.show();
    const int status = app.exec();
    platform.handClipboardOver();
    return status;
}
