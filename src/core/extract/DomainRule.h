#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

class CodePage;

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

// The same rule in two halves, for the extraction loop, which asks whether an
// entry has an "@" before it takes the domain: one pass over the entry
// answers that and what the domain needs to know, so no byte is read twice.
struct EntryLook {
    qsizetype at = -1; // the first "@", -1 when there is none
    qsizetype atEnd = -1; // after an "@": the next "@", or the entry's size
    // Without an "@": where the entry has an "h" and a "w" (bit i for byte i),
    // or all bits when it has one but is too long for that. A removal can
    // only start at one, and none brings one in.
    quint64 h = 0;
    quint64 w = 0;
    bool hasAt() const { return at >= 0; }
};
// Fills the caller's look in place (a loop that keeps one look and copies
// a fresh one over it pays for the copy on every entry).
void LookAtEntry(QByteArrayView entry, EntryLook &look);
inline EntryLook LookAtEntry(QByteArrayView entry)
{
    EntryLook look;
    LookAtEntry(entry, look);
    return look;
}
QByteArrayView DomainFromEntryUtf8(QByteArrayView entry, const EntryLook &look, QByteArray &scratch);

// Points `domain` at the entry's own bytes where they are the domain's: a
// domain that lies in the entry, or equals its end or its start (every
// removal came before or after it), and an empty one. False otherwise, with
// `domain` as it was.
bool DomainCopiedFromEntry(QByteArrayView entry, QByteArrayView &domain);
inline bool DomainInEntry(QByteArrayView entry, QByteArrayView &domain)
{
    const auto at = reinterpret_cast<quintptr>(domain.data());
    const auto begin = reinterpret_cast<quintptr>(entry.data());
    if (domain.isEmpty() || (at >= begin && at + quintptr(domain.size()) <= begin + quintptr(entry.size())))
        return true;
    return DomainCopiedFromEntry(entry, domain);
}

// The rule on a line kept as its bytes in a double-byte code page (932, 936,
// 949, 950), character by character as the code page walks them: a lead byte
// and the byte after it are one character, so neither an "@" nor a removal
// starts at its second byte. Any other byte is a character of its own. The
// domain is made of the entry's own bytes: a view into `entry` or `scratch`.
QByteArrayView DomainFromEntryBytes(QByteArrayView entry, const CodePage &page, QByteArray &scratch);
// The look of such an entry: where its "@" characters are.
void LookAtEntry(QByteArrayView entry, EntryLook &look, const CodePage &page);
