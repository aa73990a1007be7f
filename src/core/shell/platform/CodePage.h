#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <array>
#include <initializer_list>
#include <utility>

// Whether the system's code page is UTF-8 (Linux, and Windows set to UTF-8).
// The lists store UTF-8, so there file bytes go in and out untouched.
bool SystemCodePageIsUtf8();

// Whether every byte is ASCII: the same character in every system code page.
bool IsAscii(QByteArrayView bytes);

// The lists' stored UTF-8 as text; a byte-order mark at the start is part of
// the entry and stays.
QString TextOfStoredUtf8(QByteArrayView utf8);

// Bytes that are not text in the system's code page, read as Windows-1252
// reads them: the commonest code page of older address lists, and one that
// gives every byte exactly one character. The five bytes it leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) read as U+FFFD, which a screen shows and a
// screen reader names, where a C1 control would show nothing.
QString TextOfWindows1252(QByteArrayView bytes);

// An 8-bit code page as the lists meet it: which lines are its text, how a
// line kept as its bytes reads, and where its characters start.
class CodePage {
public:
    // The system's ANSI code page: UTF-8 on Linux, GetACP() on Windows.
    static const CodePage &system();

    // A code page by the name this Qt converts it under, with its lead bytes
    // as ranges: for the code pages of other systems (932 is "Shift_JIS"
    // with {0x81, 0x9F} and {0xE0, 0xFC}). Without such a converter it still
    // walks characters, but hasConverter() is false.
    CodePage(const char *name, std::initializer_list<std::pair<int, int>> leadRanges);

    bool isUtf8() const { return utf8_; }
    bool hasConverter() const { return converter_; }
    // 932, 936, 949, 950: a lead byte and the byte after it are one
    // character, so a second byte that happens to be "@" is no "@".
    bool isDoubleByte() const { return doubleByte_; }
    bool isLeadByte(char byte) const { return lead_[static_cast<unsigned char>(byte)]; }
    // The bytes of the character at `at`: two for a lead byte followed by
    // another byte that is not NUL, else one (as the system steps through a
    // string, CharNextExA).
    qsizetype charBytes(QByteArrayView bytes, qsizetype at) const
    {
        return isLeadByte(bytes[at]) && at + 1 < bytes.size() && bytes[at + 1] != 0 ? 2 : 1;
    }

    // The line as text, when that text written back in this code page gives
    // exactly the line's bytes. A decoder may drop a byte it cannot read, or
    // read a character that has two codes as the one it writes back: such a
    // line is no text here and is kept as its bytes.
    bool readsBackExactly(QByteArrayView line, QString *text) const;

    // A line kept as its bytes, as a screen shows it: on a UTF-8 system as
    // Windows-1252 reads it; elsewhere as this code page's characters, with
    // U+FFFD for a byte that makes none.
    QString textOfRaw(QByteArrayView bytes) const;

private:
    CodePage() = default;
    // Converters for one line at a time, in this code page.
    QStringDecoder lineDecoder() const;
    QStringEncoder lineEncoder() const;
    // One character's text, or false when its bytes make none.
    bool decodeChar(QByteArrayView bytes, QString &out) const;

    QByteArray name_; // empty: the system's
    bool utf8_ = false;
    bool converter_ = true;
    bool doubleByte_ = false;
    std::array<bool, 256> lead_{};
};

// CodePage::system().textOfRaw(bytes).
QString TextOfRawBytes(QByteArrayView bytes);
