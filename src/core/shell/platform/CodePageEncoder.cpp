#include "core/shell/platform/CodePageEncoder.h"

#include "core/shell/platform/CodePage.h"

CodePageEncoder::CodePageEncoder(QStringConverter::Encoding encoding)
    : passThrough_(encoding == QStringConverter::Utf8
                   || (encoding == QStringConverter::System && SystemCodePageIsUtf8())),
      asciiAsIs_(encoding == QStringConverter::System || encoding == QStringConverter::Latin1),
      encoder_(encoding, QStringConverter::Flag::Stateless)
{
}

void CodePageEncoder::append(QByteArray &out, QByteArrayView utf8)
{
    if (passThrough_)
        out.append(utf8.data(), utf8.size());
    else if (asciiAsIs_ && IsAscii(utf8))
        out.append(utf8.data(), utf8.size());
    else
        append(out, QStringView(TextOfStoredUtf8(utf8)));
}

void CodePageEncoder::append(QByteArray &out, QStringView text)
{
    // Text goes through the encoder even where UTF-8 passes through: only the
    // encoder writes a lone half of a surrogate pair as U+FFFD, the character
    // the list's own storage keeps for it, so a cell reads the same in the
    // file whichever way the list hands it over.
    const qsizetype start = out.size();
    out.resize(start + encoder_.requiredSpace(text.size()));
    char *end = encoder_.appendToBuffer(out.data() + start, text);
    out.truncate(end - out.constData());
}
