#include "gui/shell/platform/SystemColours.h"

#include "gui/shell/controls/Contrast.h"
#ifdef Q_OS_WIN
#include "gui/shell/platform/WindowsShell.h"
#endif

#include <QApplication>
#include <QPalette>

bool highContrastInEffect()
{
#ifdef Q_OS_WIN
    if (WindowsShell::HighContrastOn())
        return true;
#endif
    return isHighContrastPalette(QApplication::palette());
}
