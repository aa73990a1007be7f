// Start-up: the steps the window runs once before it is first shown.
#include "gui/shell/window/Form1.h"

#include "core/shell/handlers/HandlerSteps.h"
#include "core/shell/controls/ListModel.h"
#include "core/shell/platform/Platform.h"
#include "core/shell/platform/RuntimeError.h"
#include "core/shell/handlers/Startup.h"

#include <QDir>
#include <QIcon>
#include <QPixmap>

void Form1::Form_Load()
{
    HandlerSteps s(platform_, QStringLiteral("Form_Load"));
    s.step(100, [&] { ApplySkin(); });
    const QString cursorPath = platform_.AppPath() + QDir::separator() + QStringLiteral("HAND-M.CUR");
    if (s.test(104, [&] { return Main::FileExists(cursorPath); })) {
        s.step(106, [&] {
            QPixmap picture;
            if (!picture.load(cursorPath))
                throw InvalidPicture();
            // A cursor file knows its hotspot; any other picture points from its centre.
            const std::optional<QPoint> hotSpot = cursorHotSpot(cursorPath);
            mouseIcon_ = hotSpot ? QCursor(picture, hotSpot->x(), hotSpot->y()) : QCursor(picture);
            hasMouseIcon_ = true;
        });
    }
    s.step(108, [&] { Main::OpenHomePageAtRandom(platform_); });
    s.step(126, [&] {
        setWindowTitle(QLatin1String(kDisplayName));
        setWindowIcon(programIcon());
        Main::SetAppTitle(platform_, QLatin1String(kDisplayName));
    });
    s.step(128, [&] { entries().addColumnHeader(QStringLiteral("Email(s)")); });
    s.step(130, [&] { entries().setColumnHeaderWidth(1, 7000); });
    s.step(132, [&] { results().addColumnHeader(QStringLiteral("Domain(s)")); });
    s.step(134, [&] { results().setColumnHeaderWidth(1, 7000); });
}

QIcon Form1::programIcon()
{
    QIcon icon;
    for (const int size : {32, 48, 128, 256})
        icon.addFile(QStringLiteral(":/icons/kestrune-%1.png").arg(size), QSize(size, size));
    return icon;
}
