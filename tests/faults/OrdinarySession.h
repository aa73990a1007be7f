#pragma once

// The check every fault test ends with: after the fault, an ordinary session
// still works in the same window.

#include "support/WindowFixture.h"

#include <QFile>
#include <QTest>

// The user clears both lists, adds the samples, extracts, copies, saves, and
// loads the saved file back. Every step must do exactly its ordinary job,
// with no box but "Done." and the copy's confirmation.
inline void ordinarySessionWorks(WindowFixture &r)
{
    r.p.boxes.clear();
    r.w().setMousePointer(Form1::PointerCustom);
    r.click(8);
    r.click(3);
    QCOMPARE(r.w().entries().count(), 0);
    QCOMPARE(r.w().results().count(), 0);
    r.click(9);
    r.click(2);
    QCOMPARE(r.w().results().count(), 3);
    QCOMPARE(r.w().results().text(2), QStringLiteral("kestrune.example"));
    r.click(5);
    QCOMPARE(r.p.clipboard.value_or(QString()).count(QStringLiteral("\r\n")), 3);
    const QString saved = r.path(QStringLiteral("after-the-fault.txt"));
    QFile::remove(saved);
    r.p.dialogAnswers = {saved, saved};
    r.click(6);
    QCOMPARE(readAll(saved).count("\r\n"), 3);
    r.click(4);
    QCOMPARE(r.w().entries().count(), 6);
    QCOMPARE(r.w().entries().text(5), QStringLiteral("kestrune.example"));
    QCOMPARE(r.p.boxes.size(), 2);
    QCOMPARE(r.p.boxes[0].prompt, QStringLiteral("Done."));
    QCOMPARE(r.w().MousePointer(), int(Form1::PointerDefault));
    QVERIFY(!r.w().IsExtracting);
}
