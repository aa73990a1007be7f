#pragma once

#include <QByteArrayView>
#include <QString>

// Whether the system's code page is UTF-8 (Linux, and Windows set to UTF-8).
// The lists store UTF-8, so there file bytes go in and out untouched.
bool SystemCodePageIsUtf8();

// Whether every byte is ASCII: the same character in every system code page.
bool IsAscii(QByteArrayView bytes);

// Bytes that are not text in the system's code page, read as Windows-1252
// reads them: the commonest code page of older address lists, and one that
// gives every byte exactly one character. The five bytes it leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) read as U+FFFD, which a screen shows and a
// screen reader names, where a C1 control would show nothing.
QString TextOfWindows1252(QByteArrayView bytes);
