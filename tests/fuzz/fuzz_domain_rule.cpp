// Feeds arbitrary text to the domain rule and checks it against a plain
// restatement built on QString's own split and replace, and the byte rule used
// by the extraction loop against the text rule.
#include "core/extract/DomainRule.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

static QString reference(const QString &entry)
{
    if (entry.contains(QLatin1Char('@')))
        return entry.split(QLatin1Char('@')).at(1);
    QString s = entry;
    s.replace(QStringLiteral("https://"), QString());
    s.replace(QStringLiteral("http://"), QString());
    s.replace(QStringLiteral("www."), QString());
    return s;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // The lists keep UTF-8 of decoded text, so the byte rule only ever sees valid UTF-8.
    const QString entry = QString::fromUtf8(bytes);
    const QString domain = DomainFromEntry(entry);
    if (domain != reference(entry))
        std::abort();
    QByteArray scratch;
    const QByteArray utf8 = entry.toUtf8();
    if (DomainFromEntryUtf8(utf8, scratch).toByteArray() != domain.toUtf8())
        std::abort();
    if (LookAtEntry(utf8).hasAt() != entry.contains(QLatin1Char('@')))
        std::abort();
    return 0;
}
