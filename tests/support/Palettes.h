#pragma once

// The colour schemes users' desktops hand the program, by name: the style's
// own light one, Windows' default colours (an inactive selection barely off
// white), a dark one, and Windows' two kinds of high contrast. While one is
// in effect it is the application's palette; the style's comes back after.

#include <QApplication>
#include <QPalette>
#include <QStringList>
#include <QStyle>

inline QStringList paletteNames()
{
    return {"light", "Windows' colours", "dark", "high contrast black", "high contrast white"};
}

inline QPalette paletteNamed(const QString &name)
{
    if (name == QLatin1String("light"))
        return QApplication::style()->standardPalette();
    struct Colours {
        QColor window, windowText, base, text, button, buttonText, highlight, highlightedText, inactiveHighlight;
    };
    const Colours c = name == QLatin1String("Windows' colours")
        ? Colours{{240, 240, 240}, Qt::black, Qt::white, Qt::black, {240, 240, 240}, Qt::black, {0, 120, 215},
                  Qt::white, {240, 240, 240}}
        : name == QLatin1String("dark")
        ? Colours{{53, 53, 53}, Qt::white, {42, 42, 42}, Qt::white, {53, 53, 53}, Qt::white, {42, 130, 218},
                  Qt::white, {42, 130, 218}}
        : name == QLatin1String("high contrast black")
        ? Colours{Qt::black, Qt::white, Qt::black, Qt::white, Qt::black, Qt::white, {26, 235, 255}, Qt::black,
                  {26, 235, 255}}
        : Colours{Qt::white, Qt::black, Qt::white, Qt::black, Qt::white, Qt::black, {55, 0, 110}, Qt::white,
                  {55, 0, 110}};
    QPalette p(c.button, c.window);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Window, c.window);
        p.setColor(group, QPalette::WindowText, c.windowText);
        p.setColor(group, QPalette::Base, c.base);
        p.setColor(group, QPalette::AlternateBase, c.base);
        p.setColor(group, QPalette::Text, c.text);
        p.setColor(group, QPalette::Button, c.button);
        p.setColor(group, QPalette::ButtonText, c.buttonText);
        p.setColor(group, QPalette::Highlight, group == QPalette::Active ? c.highlight : c.inactiveHighlight);
        p.setColor(group, QPalette::HighlightedText, c.highlightedText);
    }
    return p;
}

// Puts the scheme in effect for as long as it lives.
struct PaletteInEffect {
    explicit PaletteInEffect(const QString &name) : before(QApplication::palette())
    {
        QApplication::setPalette(paletteNamed(name));
    }
    ~PaletteInEffect() { QApplication::setPalette(before); }
    QPalette before;
};
