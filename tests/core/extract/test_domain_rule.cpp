#include "core/extract/DomainRule.h"
#include "core/shell/platform/CodePage.h"

#include <QTest>

class TestDomainRule : public QObject {
    Q_OBJECT
private slots:
    void rule_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("domain");
        // The worked examples.
        QTest::newRow("plain address") << "user@example.com" << "example.com";
        QTest::newRow("sub-domain") << "first.last@mail.example.org" << "mail.example.org";
        QTest::newRow("case kept") << "User@Example.COM" << "Example.COM";
        QTest::newRow("www kept after @") << "user@www.example.com" << "www.example.com";
        QTest::newRow("bracketed") << "Name [user@example.com]" << "example.com]";
        QTest::newRow("two @") << "a@b@example.com" << "b";
        QTest::newRow("leading @") << "@example.com" << "example.com";
        QTest::newRow("trailing @") << "user@" << "";
        QTest::newRow("@ wins over scheme") << "http://user@example.com/page" << "example.com/page";
        QTest::newRow("mailto") << "mailto:user@example.net" << "example.net";
        QTest::newRow("https www") << "https://www.example.com" << "example.com";
        QTest::newRow("http path") << "http://example.org/path/index.html" << "example.org/path/index.html";
        QTest::newRow("www only") << "www.example.net" << "example.net";
        QTest::newRow("www inside") << "shop.www.example.net" << "shop.example.net";
        QTest::newRow("query keeps path") << "https://example.com/?next=http://www.example.org"
                                          << "example.com/?next=example.org";
        QTest::newRow("capitals not removed") << "HTTP://WWW.EXAMPLE.COM" << "HTTP://WWW.EXAMPLE.COM";
        QTest::newRow("other scheme") << "ftp://example.com" << "ftp://example.com";
        QTest::newRow("bare domain") << "example.com" << "example.com";
        QTest::newRow("empty") << "" << "";
        // Edges of the removals.
        QTest::newRow("scheme only") << "https://" << "";
        QTest::newRow("www. only") << "www." << "";
        QTest::newRow("repeated") << "www.www.example.com" << "example.com";
        QTest::newRow("no overlap: wwww.") << "wwww.x" << "wx";
        QTest::newRow("removal order: https inside http") << "hthttps://tp://x" << "x";
        QTest::newRow("www made by removing http") << "wwhttp://w.x" << "x";
        QTest::newRow("www joined after www removal stays") << "wwwww..x" << "ww.x";
        QTest::newRow("spaces kept (no @)") << " www.example.com " << " example.com ";
        QTest::newRow("spaces kept (@)") << "user@example.com  " << "example.com  ";
        QTest::newRow("only @") << "@" << "";
        QTest::newRow("@@") << "@@" << "";
        QTest::newRow("non-ASCII after @") << QStringLiteral("jöran@bücher.example") << QStringLiteral("bücher.example");
        QTest::newRow("non-ASCII web") << QStringLiteral("https://www.例え.jp/パス") << QStringLiteral("例え.jp/パス");
        // Lengths at the edges of how the byte rule reads an entry: whole
        // loads of 16, 8 and 4 bytes, overlapping tails, and past 64 bytes.
        QTest::newRow("64 bytes, @ last") << QString(63, u'x') + u'@' << "";
        QTest::newRow("65 bytes, @ at both ends") << u'@' + QString(63, u'h') + u'@' << QString(63, u'h');
        QTest::newRow("64 bytes, www. at the end") << QString(60, u'x') + QStringLiteral("www.") << QString(60, u'x');
        QTest::newRow("17 bytes, http:// across loads") << "abcdefghihttp://z" << "abcdefghiz";
        QTest::newRow("9 bytes, https:// at the end") << "xhttps://" << "x";
        QTest::newRow("3 bytes") << "h@w" << "w";
        QTest::newRow("83 bytes, removals past 64") << QString(70, u'y') + QStringLiteral("https://www.x") << QString(70, u'y') + u'x';
        QTest::newRow("fullwidth @ is not @") << QStringLiteral("user＠example.com") << QStringLiteral("user＠example.com");
    }

    void rule()
    {
        QFETCH(QString, entry);
        QFETCH(QString, domain);
        QCOMPARE(DomainFromEntry(entry), domain);
        // The byte rule used by the extraction loop agrees with the text rule.
        QByteArray scratch;
        const QByteArray utf8 = entry.toUtf8();
        QCOMPARE(QString::fromUtf8(DomainFromEntryUtf8(utf8, scratch)), domain);
        // Its look at the entry takes the same branch as the text rule.
        QCOMPARE(LookAtEntry(utf8).hasAt(), entry.contains(u'@'));
        // Walked a byte at a time, as a code page without lead bytes walks, the rule is the byte rule.
        QCOMPARE(QString::fromUtf8(DomainFromEntryBytes(utf8, CodePage("windows-1252", {}), scratch)), domain);
    }

    // A line kept as its bytes on code page 932: a lead byte and the byte
    // after it are one character, whatever that byte is.
    void walkedRule_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<bool>("email");
        QTest::addColumn<QByteArray>("domain");
        const auto row = [](const char *name, const QByteArray &entry, bool email, const QByteArray &domain) {
            QTest::newRow(name) << entry << email << domain;
        };
        row("second byte 0x40 is no @", "\x83\x40" "x@b\x83\x40" "c", true, "b\x83\x40" "c");
        row("stray lead byte and the dot after it", "def@x\x81.jp", true, "x\x81.jp");
        row("lone lead byte at the end", "abc\x81", false, "abc\x81");
        row("character with two codes", "\x88\x9F@\xEE\xE0\xED\x95.jp", true, "\xEE\xE0\xED\x95.jp");
        row("only a second byte 0x40", "\x83\x40" "example.jp", false, "\x83\x40" "example.jp");
        row("www. cannot start at a second byte", "\x83www.x", false, "\x83www.x");
        row("https:// cannot start at a second byte", "\x83https://x", false, "\x83https://x");
        row("www. after a character", "\x88\x9Fwww.x", false, "\x88\x9F" "x");
        row("lead byte before NUL is one byte", QByteArray("\x81\0@a", 4), true, "a");
    }
    void walkedRule()
    {
        QFETCH(QByteArray, entry);
        QFETCH(bool, email);
        QFETCH(QByteArray, domain);
        const CodePage sjis("Shift_JIS", {{0x81, 0x9F}, {0xE0, 0xFC}});
        QByteArray scratch;
        QCOMPARE(DomainFromEntryBytes(entry, sjis, scratch).toByteArray(), domain);
        EntryLook look;
        LookAtEntry(entry, look, sjis);
        QCOMPARE(look.hasAt(), email);
    }
};

QTEST_APPLESS_MAIN(TestDomainRule)
#include "test_domain_rule.moc"
