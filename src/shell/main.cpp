#include "shell/window/Form1.h"
#include "shell/platform/QtPlatform.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QtPlatform platform;
    Form1 window(platform);
    platform.setWindow(&window);
    window.Form_Load();
    // Centred on the screen when first shown.
    if (const QScreen *screen = window.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    const int status = app.exec();
    platform.handClipboardOver();
    return status;
}
