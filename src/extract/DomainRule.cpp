#include "DomainRule.h"

#include <string_view>

namespace {

// One remove-all pass: occurrences found left to right without overlap.
template <class Char>
std::basic_string_view<Char> removeAll(std::basic_string_view<Char> in, std::basic_string_view<Char> what,
                                       std::basic_string<Char> &buffer)
{
    size_t hit = in.find(what);
    if (hit == in.npos)
        return in;
    std::basic_string<Char> out;
    out.reserve(in.size());
    size_t from = 0;
    while (hit != in.npos) {
        out.append(in.substr(from, hit - from));
        from = hit + what.size();
        hit = in.find(what, from);
    }
    out.append(in.substr(from));
    buffer = std::move(out);
    return buffer;
}

template <class Char>
std::basic_string_view<Char> domainOf(std::basic_string_view<Char> entry, std::basic_string<Char> &buffer)
{
    constexpr Char at = Char('@');
    const size_t first = entry.find(at);
    if (first != entry.npos) {
        const size_t second = entry.find(at, first + 1);
        return entry.substr(first + 1, second == entry.npos ? entry.npos : second - first - 1);
    }
    static constexpr Char https[] = {'h', 't', 't', 'p', 's', ':', '/', '/'};
    static constexpr Char http[] = {'h', 't', 't', 'p', ':', '/', '/'};
    static constexpr Char www[] = {'w', 'w', 'w', '.'};
    std::basic_string<Char> a, b, c;
    auto s = removeAll(entry, {https, 8}, a);
    s = removeAll(s, {http, 7}, b);
    s = removeAll(s, {www, 4}, c);
    if (s.data() == c.data())
        buffer = std::move(c);
    else if (s.data() == b.data())
        buffer = std::move(b);
    else if (s.data() == a.data())
        buffer = std::move(a);
    else
        return s; // still a view of the entry
    return buffer;
}

} // namespace

QString DomainFromEntry(QStringView entry)
{
    std::u16string buffer;
    const std::u16string_view in(entry.utf16(), size_t(entry.size()));
    const std::u16string_view out = domainOf(in, buffer);
    return QString(reinterpret_cast<const QChar *>(out.data()), qsizetype(out.size()));
}

QByteArrayView DomainFromEntryUtf8(QByteArrayView entry, QByteArray &scratch)
{
    std::string buffer;
    const std::string_view in(entry.data(), size_t(entry.size()));
    const std::string_view out = domainOf(in, buffer);
    if (out.empty() || (out.data() >= in.data() && out.data() <= in.data() + in.size()))
        return QByteArrayView(out.data(), qsizetype(out.size()));
    scratch = QByteArray(out.data(), qsizetype(out.size()));
    return scratch;
}
