#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The domain of one entry:
// - with an "@": the text between the first "@" and the next one (or the end);
// - without: the entry with every "https://", then every "http://", then every
//   "www." removed, each exact and case-sensitive, anywhere in the text.
// Nothing else is trimmed, checked or normalised; the result may be empty.
QString DomainFromEntry(QStringView entry);

// The same rule on UTF-8 bytes, for the extraction loop over the list's own
// storage. Every marker is ASCII and UTF-8 never hides an ASCII byte inside a
// multi-byte character, so the bytes out are exactly the UTF-8 of
// DomainFromEntry's text. A raw row's bytes, taken as an 8-bit code page in
// which every byte below 0x80 is ASCII, work alike. Returns a view into `entry` when nothing
// has to be removed, else a view into `scratch`.
QByteArrayView DomainFromEntryUtf8(QByteArrayView entry, QByteArray &scratch);
