#include "core/shell/handlers/Startup.h"

#include "core/shell/platform/Platform.h"

#include <QDateTime>
#include <QFileInfo>

#include <cmath>

const char *const kDisplayName = "Kestrune Domain Extractor 2021";
const char *const kHomePageAddress = "https://www.kestrune.example/";

namespace Main {

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    try {
        const QFileInfo info(path);
        return info.exists() && info.lastModified().isValid();
    } catch (...) {
        return false;
    }
}

QString AppTitleFromDisplayName(const QString &displayName)
{
    QString t = displayName;
    do {
        const qsizetype blank = t.lastIndexOf(QLatin1Char(' '));
        if (blank < 0) // a single word longer than 40: nothing left to cut at
            return t.left(40);
        t.truncate(blank);
    } while (t.size() > 40);
    return t;
}

void SetAppTitle(Platform &platform, const QString &displayName)
{
    platform.setAppTitle(AppTitleFromDisplayName(displayName));
}

int HomePageDraw(double r)
{
    return int(std::floor(r * 100.0)) + 1;
}

void OpenHomePageAtRandom(Platform &platform)
{
    platform.Randomize(platform.SecondsSinceMidnight());
    if (HomePageDraw(platform.Rnd()) == 7)
        platform.OpenUrl(QString::fromLatin1(kHomePageAddress));
}

} // namespace Main
