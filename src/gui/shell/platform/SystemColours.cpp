#include "gui/shell/platform/SystemColours.h"

#include "gui/shell/controls/Contrast.h"
#ifdef Q_OS_WIN
#include "gui/shell/platform/WindowsShell.h"
#endif

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

bool highContrastInEffect()
{
#ifdef Q_OS_WIN
    if (WindowsShell::HighContrastOn())
        return true;
#endif
    return isHighContrastPalette(QApplication::palette());
}

void followSystemColours()
{
#ifdef Q_OS_WIN
    static QString themed; // the style set aside under high contrast
    const QString current = QApplication::style()->name();
    if (highContrastInEffect()) {
        if (current == QLatin1String("windowsvista")) {
            themed = current;
            QApplication::setStyle(QStyleFactory::create(QStringLiteral("windows")));
        }
    } else if (!themed.isEmpty() && current == QLatin1String("windows")) {
        QApplication::setStyle(QStyleFactory::create(themed));
        themed.clear();
    }
#endif
}
