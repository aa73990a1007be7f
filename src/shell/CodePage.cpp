#include "CodePage.h"

#include <QString>
#include <QStringEncoder>

bool SystemCodePageIsUtf8()
{
    // A code page that writes two-, three- and four-byte characters exactly as
    // UTF-8 does is UTF-8: no other code page can hold all three.
    static const bool utf8 = [] {
        const QString probe = QStringLiteral(u"\u00e9\u20ac\U0001F600");
        QStringEncoder system(QStringConverter::System);
        return QByteArray(system.encode(probe)) == probe.toUtf8() && !system.hasError();
    }();
    return utf8;
}
