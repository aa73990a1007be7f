#include "core/output/CellText.h"

#include "core/shell/platform/CodePage.h"

#include <algorithm>

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

char16_t *CellText::writeTo(char16_t *out, QStringDecoder &utf8) const
{
    if (kind_ == Kind::Text) {
        std::copy(text_.utf16(), text_.utf16() + text_.size(), out);
        return out + text_.size();
    }
    if (IsAscii(bytes_)) {
        for (const char ch : bytes_)
            *out++ = char16_t(static_cast<unsigned char>(ch));
        return out;
    }
    if (kind_ == Kind::Utf8)
        return reinterpret_cast<char16_t *>(utf8.appendToBuffer(reinterpret_cast<QChar *>(out), bytes_));
    const QString shown = TextOfRawBytes(bytes_);
    return std::copy(shown.utf16(), shown.utf16() + shown.size(), out);
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
