#include "core/shell/platform/CodePage.h"

#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

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

QString TextOfStoredUtf8(QByteArrayView bytes)
{
    // fromUtf8 would drop a byte-order mark at the start; an entry keeps it.
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder decoder(QStringConverter::Utf8,
                               QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        return decoder(bytes);
    }
    return QString::fromUtf8(bytes);
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

namespace {

// A byte-order mark at the start of a line is text like any other, and
// nothing of a line may wait for the next one.
constexpr auto kLineFlags = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

} // namespace

const CodePage &CodePage::system()
{
    static const CodePage page = [] {
        CodePage p;
        p.utf8_ = SystemCodePageIsUtf8();
#ifdef Q_OS_WIN
        CPINFO info = {};
        if (!p.utf8_ && GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 2) {
            p.doubleByte_ = true;
            for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2)
                for (int b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b)
                    p.lead_[size_t(b)] = true;
        }
#endif
        return p;
    }();
    return page;
}

CodePage::CodePage(const char *name, std::initializer_list<std::pair<int, int>> leadRanges) : name_(name)
{
    converter_ = QStringDecoder(name).isValid() && QStringEncoder(name).isValid();
    utf8_ = name_.compare("UTF-8", Qt::CaseInsensitive) == 0;
    for (const auto &[first, last] : leadRanges) {
        for (int b = first; b <= last && b < 256; ++b)
            lead_[size_t(b)] = true;
        doubleByte_ = doubleByte_ || first <= last;
    }
}

QStringDecoder CodePage::lineDecoder() const
{
    return name_.isEmpty() ? QStringDecoder(QStringConverter::System, kLineFlags)
                           : QStringDecoder(name_.constData(), kLineFlags);
}

QStringEncoder CodePage::lineEncoder() const
{
    return name_.isEmpty() ? QStringEncoder(QStringConverter::System, kLineFlags)
                           : QStringEncoder(name_.constData(), kLineFlags);
}

bool CodePage::readsBackExactly(QByteArrayView line, QString *text) const
{
    if (!converter_)
        return false;
    QStringDecoder decoder = lineDecoder();
    *text = decoder.decode(line);
    if (decoder.hasError())
        return false;
    QStringEncoder encoder = lineEncoder();
    const QByteArray back = encoder.encode(*text);
    return !encoder.hasError() && QByteArrayView(back) == line;
}

bool CodePage::decodeChar(QByteArrayView bytes, QString &out) const
{
    QString text;
#ifdef Q_OS_WIN
    if (name_.isEmpty()) {
        // The system's own reading; Qt's would drop a byte it cannot read.
        wchar_t units[4];
        const int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()), units, 4);
        if (n <= 0)
            return false;
        text = QString::fromWCharArray(units, n);
    }
#endif
    if (text.isEmpty()) {
        if (!converter_)
            return false;
        QStringDecoder decoder = lineDecoder();
        text = decoder.decode(bytes);
        if (decoder.hasError())
            return false;
    }
    // Windows reads a byte its code page leaves undefined (0x81 in 1252) as
    // the C1 control of its value, which a screen shows as nothing.
    if (text.isEmpty() || (text.size() == 1 && text[0].unicode() >= 0x80 && text[0].unicode() < 0xA0))
        return false;
    out += text;
    return true;
}

QString CodePage::textOfRaw(QByteArrayView bytes) const
{
    if (utf8_)
        return TextOfWindows1252(bytes);
    if (IsAscii(bytes))
        return QString::fromLatin1(bytes);
    QString out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype n = charBytes(bytes, i);
        if (decodeChar(bytes.sliced(i, n), out)) {
            i += n;
            continue;
        }
        // A lead byte whose second byte makes no character with it shows as
        // U+FFFD, and the second byte reads on its own: "x\x81." shows its dot.
        out += QChar::ReplacementCharacter;
        ++i;
    }
    return out;
}

QString TextOfRawBytes(QByteArrayView bytes)
{
    return CodePage::system().textOfRaw(bytes);
}
