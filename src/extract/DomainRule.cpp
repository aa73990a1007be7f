#include "DomainRule.h"

#include <bit>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// The rule once, for text (char16_t) and for UTF-8 bytes (char). The result is
// a view into the entry, or into a buffer of this thread that the next call
// reuses: three passes through two buffers that keep their capacity, so a run
// over a million entries allocates almost nothing.
template <class Char>
std::basic_string_view<Char> domainOf(std::basic_string_view<Char> entry)
{
    const size_t first = entry.find(Char('@'));
    if (first != entry.npos) {
        const size_t second = entry.find(Char('@'), first + 1);
        return entry.substr(first + 1, second == entry.npos ? entry.npos : second - first - 1);
    }
    static constexpr Char https[] = {'h', 't', 't', 'p', 's', ':', '/', '/'};
    static constexpr Char http[] = {'h', 't', 't', 'p', ':', '/', '/'};
    static constexpr Char www[] = {'w', 'w', 'w', '.'};
    static const std::basic_string_view<Char> removals[] = {{https, 8}, {http, 7}, {www, 4}};
    static thread_local std::basic_string<Char> pass[2];

    std::basic_string_view<Char> current = entry;
    int into = 0;
    for (const auto what : removals) {
        // Every occurrence, found left to right without overlap.
        size_t hit = current.find(what);
        if (hit == current.npos)
            continue;
        std::basic_string<Char> &out = pass[into];
        out.clear();
        size_t from = 0;
        while (hit != current.npos) {
            out.append(current.substr(from, hit - from));
            from = hit + what.size();
            hit = current.find(what, from);
        }
        out.append(current.substr(from));
        current = out;
        into ^= 1;
    }
    return current;
}

} // namespace

QString DomainFromEntry(QStringView entry)
{
    const std::u16string_view out = domainOf(std::u16string_view(entry.utf16(), size_t(entry.size())));
    return QString(reinterpret_cast<const QChar *>(out.data()), qsizetype(out.size()));
}

namespace {

// The byte rule's scans, written out for short entries: eight bytes at a
// time, with no call, since an address of thirty bytes is done before a
// library search has sized it up.
inline const char *findByte(const char *p, const char *end, char c)
{
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    // A byte equal to c becomes zero after the XOR; the lowest set high bit
    // of the test marks the first zero (bits above it may be false alarms).
    constexpr quint64 ones = 0x0101010101010101u;
    constexpr quint64 highs = 0x8080808080808080u;
    const quint64 pattern = ones * static_cast<unsigned char>(c);
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        word ^= pattern;
        const quint64 hits = (word - ones) & ~word & highs;
        if (hits != 0)
            return p + (std::countr_zero(hits) >> 3);
    }
#endif
    for (; p != end; ++p)
        if (*p == c)
            return p;
    return end;
}

} // namespace

EntryLook LookAtEntry(QByteArrayView entry)
{
    const char *p = entry.data();
    const char *const end = p + entry.size();
    EntryLook look;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    constexpr quint64 ones = 0x0101010101010101u;
    constexpr quint64 highs = 0x8080808080808080u;
    quint64 hs = 0;
    quint64 ws = 0;
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        const quint64 a = word ^ (ones * '@');
        const quint64 ats = (a - ones) & ~a & highs;
        if (ats != 0) {
            look.at = p + (std::countr_zero(ats) >> 3) - entry.data();
            return look; // the "@" branch needs nothing else
        }
        const quint64 h = word ^ (ones * 'h');
        const quint64 w = word ^ (ones * 'w');
        hs |= (h - ones) & ~h;
        ws |= (w - ones) & ~w;
    }
    look.h = (hs & highs) != 0;
    look.w = (ws & highs) != 0;
#endif
    for (; p != end; ++p) {
        if (*p == '@') {
            look.at = p - entry.data();
            return look;
        }
        look.h = look.h || *p == 'h';
        look.w = look.w || *p == 'w';
    }
    return look;
}

namespace {

template <size_t N>
const char *findMarker(const char *p, const char *end, const char (&marker)[N])
{
    constexpr size_t n = N - 1;
    if (size_t(end - p) < n)
        return end;
    for (const char *last = end - n + 1; (p = findByte(p, last, marker[0])) != last; ++p)
        if (std::memcmp(p + 1, marker + 1, n - 1) == 0)
            return p;
    return end;
}

// One removal pass from its first hit on: every occurrence of the marker in
// [in, end), found left to right without overlap, dropped while the rest is
// copied to out. out may be in itself (it never runs ahead of the reading).
// Returns the end of what was written.
template <size_t N>
char *dropAll(const char *in, const char *hit, const char *end, char *out, const char (&marker)[N])
{
    do {
        std::memmove(out, in, size_t(hit - in));
        out += hit - in;
        in = hit + (N - 1);
        hit = findMarker(in, end, marker);
    } while (hit != end);
    std::memmove(out, in, size_t(end - in));
    return out + (end - in);
}

} // namespace

QByteArrayView DomainFromEntryUtf8(QByteArrayView entry, QByteArray &scratch)
{
    return DomainFromEntryUtf8(entry, LookAtEntry(entry), scratch);
}

QByteArrayView DomainFromEntryUtf8(QByteArrayView entry, const EntryLook &look, QByteArray &scratch)
{
    const char *const begin = entry.data();
    const char *const end = begin + entry.size();
    if (look.hasAt()) {
        const char *const at = begin + look.at;
        const char *const next = findByte(at + 1, end, '@');
        return next == at + 1 ? QByteArrayView() : QByteArrayView(at + 1, next - at - 1);
    }
    // The first pass that removes something copies the entry into scratch;
    // the later ones work there in place.
    const char *from = begin;
    const char *to = end;
    const auto pass = [&](auto &marker) {
        const char *const hit = findMarker(from, to, marker);
        if (hit == to)
            return;
        if (from == begin)
            scratch.resize(entry.size()); // keeps its capacity between calls
        to = dropAll(from, hit, to, scratch.data(), marker);
        from = scratch.constData();
    };
    static const char https[] = "https://";
    static const char http[] = "http://";
    static const char www[] = "www.";
    if (look.h) {
        pass(https);
        pass(http);
    }
    if (look.w)
        pass(www);
    if (from == to)
        return QByteArrayView();
    return QByteArrayView(from, to - from);
}
