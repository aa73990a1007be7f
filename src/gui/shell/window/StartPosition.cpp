#include "gui/shell/window/StartPosition.h"

#include "gui/shell/platform/WindowFrame.h"

#include <QScreen>
#include <QWidget>

QPoint startPosition(const QRect &available, const QSize &frame)
{
    const auto axis = [](int start, int room, int length) {
        return length <= room ? start + (room - length) / 2 : start;
    };
    return {axis(available.left(), available.width(), frame.width()),
            axis(available.top(), available.height(), frame.height())};
}

namespace {

void placeWithFrame(QWidget &window, const QMargins &frame)
{
    const QScreen *screen = window.screen();
    if (!screen)
        return;
    const QPoint corner = startPosition(screen->availableGeometry(), window.size().grownBy(frame));
    // The client area's place, which every platform takes as it is given.
    window.setGeometry(QRect(corner + QPoint(frame.left(), frame.top()), window.size()));
}

} // namespace

void placeAtStart(QWidget &window)
{
    const QMargins frame = frameMarginsBeforeShow(window);
    placeWithFrame(window, frame);
    // A frame told only once the window shows moves it once, at once.
    if (frame.isNull())
        whenFrameKnown(window, [&window](const QMargins &known) { placeWithFrame(window, known); });
}
