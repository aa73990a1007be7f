#include "core/output/CellText.h"

#include "core/shell/platform/CodePage.h"

#include <QStringEncoder>

#include <algorithm>
#include <cstring>

namespace ListFormats {

namespace {

// The UTF-16 length of valid UTF-8, without decoding it: one unit for every
// byte that starts a character, two for a character of four bytes.
qsizetype utf16Length(QByteArrayView utf8)
{
    qsizetype n = 0;
    for (const char ch : utf8) {
        const auto b = static_cast<unsigned char>(ch);
        n += ((b & 0xC0) != 0x80) + (b >= 0xF0);
    }
    return n;
}

// A sub-item's text in UTF-8, half a pair as U+FFFD (as the UTF-8 file has it).
QByteArray utf8Of(const QString &text)
{
    QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    return utf8(text);
}

} // namespace

qsizetype CellText::length() const
{
    switch (kind_) {
    case Kind::Text:
        return text_.size();
    case Kind::Raw:
        // Windows-1252 and ASCII read one character per byte.
        return CodePage::system().isUtf8() || IsAscii(bytes_) ? bytes_.size() : TextOfRawBytes(bytes_).size();
    case Kind::Utf8:
        break;
    }
    return utf16Length(bytes_);
}

qsizetype CellText::utf8Length() const
{
    switch (kind_) {
    case Kind::Text:
        return utf8Of(text_).size();
    case Kind::Raw:
        return IsAscii(bytes_) ? bytes_.size() : TextOfRawBytes(bytes_).toUtf8().size();
    case Kind::Utf8:
        break;
    }
    return bytes_.size();
}

char *CellText::writeUtf8To(char *out) const
{
    // Rows are stored as UTF-8 already, and an ASCII raw row reads the same
    // in every code page.
    if (kind_ == Kind::Utf8 || (kind_ == Kind::Raw && IsAscii(bytes_))) {
        if (!bytes_.isEmpty())
            std::memcpy(out, bytes_.data(), size_t(bytes_.size()));
        return out + bytes_.size();
    }
    const QByteArray utf8 = kind_ == Kind::Text ? utf8Of(text_) : TextOfRawBytes(bytes_).toUtf8();
    if (!utf8.isEmpty())
        std::memcpy(out, utf8.constData(), size_t(utf8.size()));
    return out + utf8.size();
}

void CellText::encodeTo(QByteArray &out, CodePageEncoder &encoder) const
{
    if (kind_ == Kind::Utf8)
        encoder.append(out, bytes_);
    else if (kind_ == Kind::Raw)
        out.append(bytes_.data(), bytes_.size());
    else
        encoder.append(out, text_);
}

} // namespace ListFormats
