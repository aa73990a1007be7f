#include "DomainRule.h"

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

QByteArrayView DomainFromEntryUtf8(QByteArrayView entry, QByteArray &scratch)
{
    const std::string_view in(entry.data(), size_t(entry.size()));
    const std::string_view out = domainOf(in);
    if (out.empty())
        return QByteArrayView();
    if (out.data() >= in.data() && out.data() < in.data() + in.size())
        return QByteArrayView(out.data(), qsizetype(out.size()));
    scratch.resize(qsizetype(out.size())); // keeps its capacity between calls
    std::memcpy(scratch.data(), out.data(), out.size());
    return scratch;
}
