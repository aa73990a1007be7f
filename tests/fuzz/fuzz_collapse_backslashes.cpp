// Feeds joined paths to the path tidying and checks it against a plain
// restatement: QString::replace of every "\\" by "\" (left to right, no
// overlap), with a leading run of backslashes turned into exactly two. The
// slash variant has no network paths: it is the replace alone.
#include "core/input/LoadList.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

QString collapsed(QString text, const QString &pair, const QString &one)
{
    return text.replace(pair, one);
}

QString reference(const QString &path)
{
    const QString pair = QStringLiteral("\\\\");
    const QString one = QStringLiteral("\\");
    if (!path.startsWith(one))
        return collapsed(path, pair, one);
    qsizetype first = 0;
    while (first < path.size() && path.at(first) == u'\\')
        ++first;
    return pair + collapsed(path.mid(first), pair, one);
}

// Most bytes become one of a few characters that matter to paths, so that runs
// of separators are common; the rest stand for themselves (as Latin-1, which
// reaches NUL, surrogate-free non-ASCII and every control character).
QString pathFrom(const uint8_t *data, size_t size)
{
    static const char16_t alphabet[] = {u'\\', u'\\', u'\\', u'/', u'/', u'a', u':', u' ', u'.', u'\u00e9', u'\u20ac'};
    QString path;
    path.reserve(qsizetype(size));
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        if (b < 0xC0)
            path.append(QChar(alphabet[b % std::size(alphabet)]));
        else
            path.append(QChar(char16_t(b - 0xC0))); // NUL, controls, digits and punctuation
    }
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = pathFrom(data, size);
    const QString got = Main::CollapseBackslashes(path);
    if (got != reference(path))
        std::abort();
    // Only a single leading backslash grows, by one.
    if (got.size() > path.size() + 1)
        std::abort();
    if (Main::CollapseSeparators(path, u'\\') != got)
        std::abort();
    if (Main::CollapseSeparators(path, u'/') != collapsed(path, QStringLiteral("//"), QStringLiteral("/")))
        std::abort();
    return 0;
}
