#pragma once

#include <QString>

class Platform;

extern const char *const kDisplayName;
extern const char *const kHomePageAddress;

namespace Main {

// True when the last-modified time of the path can be read. Never throws.
bool FileExists(const QString &path);

// Cuts the last word, and then further words while the text is longer than 40
// characters. At least one word always goes.
QString AppTitleFromDisplayName(const QString &displayName);
void SetAppTitle(Platform &platform, const QString &displayName);

// n = integer part of r * 100, plus 1: a whole number from 1 to 100.
int HomePageDraw(double r);
// On one start-up in a hundred (a draw of 7) the home page opens in the browser.
void OpenHomePageAtRandom(Platform &platform);

} // namespace Main
