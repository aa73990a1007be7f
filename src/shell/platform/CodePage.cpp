#include "shell/platform/CodePage.h"

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

bool IsAscii(QByteArrayView bytes)
{
    // One pass without early exit; the compiler turns it into wide loads.
    unsigned char seen = 0;
    for (const char ch : bytes)
        seen |= static_cast<unsigned char>(ch);
    return seen < 0x80;
}

QString TextOfWindows1252(QByteArrayView bytes)
{
    // 0x80..0x9F; the rest of the bytes are the Latin-1 characters of their value.
    static constexpr char16_t high[32] = {
        u'\u20AC', u'\uFFFD', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
        u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\uFFFD', u'\u017D', u'\uFFFD',
        u'\uFFFD', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
        u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\uFFFD', u'\u017E', u'\u0178'};
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t *o = reinterpret_cast<char16_t *>(out.data());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *o++ = b >= 0x80 && b < 0xA0 ? high[b - 0x80] : char16_t(b);
    }
    return out;
}
