#include "core/extract/DomainRule.h"

#include "core/shell/platform/CodePage.h"

// Every x86-64 processor has SSE2; MSVC says so only by naming the processor.
#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#define KESTRUNE_SSE2 1
#include <emmintrin.h>
#endif

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

// The byte rule's scans. An address is some thirty bytes: a library search
// costs more in getting started than in searching, and a loop that stops at
// the byte it finds guesses wrong about where that is on almost every entry.
// So an entry of up to 64 bytes is read in a few loads of 16 bytes into one
// bit per byte for each byte that matters, and the rule works on those bits;
// a longer one, or a machine without SSE2, is scanned eight bytes at a time.

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

#ifdef KESTRUNE_SSE2
constexpr qsizetype kMaskedBytes = 64;

struct ByteMasks {
    quint64 at = 0;
    quint64 h = 0;
    quint64 w = 0;
};

// Bit i for byte i of p[0, n), n at most 64. Every load lies inside the
// entry: a short tail is read as the last 16 (8, 4) bytes, overlapping what
// came before, and a byte seen twice sets the same bit twice.
inline ByteMasks masksOf(const char *p, qsizetype n)
{
    ByteMasks m;
    const auto add = [&m](__m128i v, int shift, quint32 keep) {
        m.at |= quint64(quint32(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('@')))) & keep) << shift;
        m.h |= quint64(quint32(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('h')))) & keep) << shift;
        m.w |= quint64(quint32(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('w')))) & keep) << shift;
    };
    if (n >= 16) {
        qsizetype i = 0;
        for (; i + 16 <= n; i += 16)
            add(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i)), int(i), 0xffffu);
        if (i < n)
            add(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + n - 16)), int(n - 16), 0xffffu);
    } else if (n >= 8) {
        add(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)), 0, 0xffu);
        add(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p + n - 8)), int(n - 8), 0xffu);
    } else if (n >= 4) {
        qint32 first;
        qint32 last;
        std::memcpy(&first, p, 4);
        std::memcpy(&last, p + n - 4, 4);
        add(_mm_cvtsi32_si128(first), 0, 0xfu);
        add(_mm_cvtsi32_si128(last), int(n - 4), 0xfu);
    } else {
        for (qsizetype i = 0; i < n; ++i) {
            m.at |= quint64(p[i] == '@') << i;
            m.h |= quint64(p[i] == 'h') << i;
            m.w |= quint64(p[i] == 'w') << i;
        }
    }
    return m;
}

// One removal pass over at most 64 bytes whose marker's first letter stands
// where `starts` has bits: every occurrence, left to right without overlap,
// dropped while the rest goes to out (which may be cur itself: it never runs
// ahead of the reading). Returns the length left, or -1 when there was none.
template <size_t N>
qsizetype dropMarked(const char *cur, qsizetype len, quint64 starts, const char (&marker)[N], char *out)
{
    constexpr qsizetype n = N - 1;
    qsizetype in = 0;
    qsizetype o = 0;
    for (; starts != 0; starts &= starts - 1) {
        const qsizetype at = std::countr_zero(starts);
        if (at + n > len)
            break;
        if (at < in || std::memcmp(cur + at, marker, n) != 0)
            continue;
        std::memmove(out + o, cur + in, size_t(at - in));
        o += at - in;
        in = at + n;
    }
    if (in == 0)
        return -1;
    std::memmove(out + o, cur + in, size_t(len - in));
    return o + (len - in);
}
#endif

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

constexpr char kHttps[] = "https://";
constexpr char kHttp[] = "http://";
constexpr char kWww[] = "www.";

} // namespace

void LookAtEntry(QByteArrayView entry, EntryLook &look)
{
    const char *const begin = entry.data();
    const char *const end = begin + entry.size();
    look = EntryLook();
#ifdef KESTRUNE_SSE2
    if (entry.size() <= kMaskedBytes) {
        const ByteMasks m = masksOf(begin, entry.size());
        if (m.at != 0) {
            look.at = std::countr_zero(m.at);
            const quint64 rest = m.at & (m.at - 1);
            look.atEnd = rest != 0 ? std::countr_zero(rest) : entry.size();
        } else {
            look.h = m.h;
            look.w = m.w;
        }
        return;
    }
#endif
    const char *p = begin;
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
            p += std::countr_zero(ats) >> 3;
            break;
        }
        const quint64 h = word ^ (ones * 'h');
        const quint64 w = word ^ (ones * 'w');
        hs |= (h - ones) & ~h;
        ws |= (w - ones) & ~w;
    }
    look.h = (hs & highs) != 0 ? ~quint64(0) : 0;
    look.w = (ws & highs) != 0 ? ~quint64(0) : 0;
#endif
    for (; p != end && *p != '@'; ++p) {
        look.h |= *p == 'h' ? ~quint64(0) : 0;
        look.w |= *p == 'w' ? ~quint64(0) : 0;
    }
    if (p != end) {
        look.at = p - begin;
        look.atEnd = findByte(p + 1, end, '@') - begin;
        look.h = look.w = 0;
    }
}

QByteArrayView DomainFromEntryUtf8(QByteArrayView entry, QByteArray &scratch)
{
    return DomainFromEntryUtf8(entry, LookAtEntry(entry), scratch);
}

QByteArrayView DomainFromEntryUtf8(QByteArrayView entry, const EntryLook &look, QByteArray &scratch)
{
    if (look.hasAt()) {
        if (look.atEnd == look.at + 1)
            return QByteArrayView();
        return entry.sliced(look.at + 1, look.atEnd - look.at - 1);
    }
    if ((look.h | look.w) == 0)
        return entry.isEmpty() ? QByteArrayView() : entry;
#ifdef KESTRUNE_SSE2
    if (entry.size() <= kMaskedBytes) {
        // The first pass that removes something copies the entry into
        // scratch; the later ones work there in place, on fresh bits.
        if (scratch.size() < kMaskedBytes)
            scratch.resize(kMaskedBytes); // keeps its capacity between calls
        char *const out = scratch.data();
        const char *cur = entry.data();
        qsizetype len = entry.size();
        quint64 h = look.h;
        quint64 w = look.w;
        const auto pass = [&](quint64 starts, const auto &marker) {
            const qsizetype left = dropMarked(cur, len, starts, marker, out);
            if (left < 0)
                return;
            cur = out;
            len = left;
            const ByteMasks m = masksOf(out, left);
            h = m.h;
            w = m.w;
        };
        pass(h, kHttps);
        pass(h, kHttp);
        pass(w, kWww);
        return len == 0 ? QByteArrayView() : QByteArrayView(cur, len);
    }
#endif
    // The first pass that removes something copies the entry into scratch;
    // the later ones work there in place.
    const char *const begin = entry.data();
    const char *from = begin;
    const char *to = begin + entry.size();
    const auto pass = [&](const auto &marker) {
        const char *const hit = findMarker(from, to, marker);
        if (hit == to)
            return;
        if (from == begin)
            scratch.resize(entry.size()); // keeps its capacity between calls
        to = dropAll(from, hit, to, scratch.data(), marker);
        from = scratch.constData();
    };
    if (look.h != 0) {
        pass(kHttps);
        pass(kHttp);
    }
    if (look.w != 0)
        pass(kWww);
    if (from == to)
        return QByteArrayView();
    return QByteArrayView(from, to - from);
}

bool DomainCopiedFromEntry(QByteArrayView entry, QByteArrayView &domain)
{
    const qsizetype n = domain.size();
    if (n > entry.size())
        return false;
    const char *const begin = entry.data();
    for (const qsizetype at : {entry.size() - n, qsizetype(0)}) {
        if (std::memcmp(begin + at, domain.data(), size_t(n)) == 0) {
            domain = entry.sliced(at, n);
            return true;
        }
    }
    return false;
}

void LookAtEntry(QByteArrayView entry, EntryLook &look, const CodePage &page)
{
    look = EntryLook();
    for (qsizetype i = 0; i < entry.size(); i += page.charBytes(entry, i)) {
        if (entry[i] != '@')
            continue;
        if (look.at >= 0) {
            look.atEnd = i;
            return;
        }
        look.at = i;
    }
    if (look.at >= 0)
        look.atEnd = entry.size();
    else
        look.h = look.w = ~quint64(0);
}

QByteArrayView DomainFromEntryBytes(QByteArrayView entry, const CodePage &page, QByteArray &scratch)
{
    EntryLook look;
    LookAtEntry(entry, look, page);
    if (look.hasAt())
        return entry.sliced(look.at + 1, look.atEnd - look.at - 1);
    // Each removal is a pass over what the one before left. The first pass
    // that removes something copies the entry into scratch; the rest work
    // there in place, never writing ahead of what they read.
    static constexpr QByteArrayView markers[] = {QByteArrayView(kHttps), QByteArrayView(kHttp), QByteArrayView(kWww)};
    const char *cur = entry.data();
    qsizetype len = entry.size();
    for (const QByteArrayView marker : markers) {
        qsizetype out = 0;
        bool removed = false;
        for (qsizetype i = 0; i < len;) {
            const QByteArrayView rest(cur + i, len - i);
            if (rest.startsWith(marker)) {
                if (!removed && cur == entry.data()) {
                    scratch.resize(entry.size()); // keeps its capacity between calls
                    std::memcpy(scratch.data(), cur, size_t(len));
                    cur = scratch.constData();
                }
                removed = true;
                i += marker.size();
                continue;
            }
            const qsizetype n = page.charBytes(QByteArrayView(cur, len), i);
            if (removed)
                std::memmove(scratch.data() + out, cur + i, size_t(n));
            out += n;
            i += n;
        }
        if (removed)
            len = out;
    }
    return len == 0 ? QByteArrayView() : QByteArrayView(cur, len);
}
