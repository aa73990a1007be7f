// The program: Qt's application, the real platform and the one window.
#include "gui/shell/controls/ListAccessible.h"
#include "gui/shell/platform/QtPlatform.h"
#include "gui/shell/window/Form1.h"
#include "gui/shell/window/StartPosition.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
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
