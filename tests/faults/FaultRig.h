#pragma once

// The real window on a scripted platform whose file dialog can run a hook
// after it answered (the moment a user's file disappears), plus the checks
// every fault test ends with: which error boxes came, and that an ordinary
// session still works afterwards.

#include "shell/window/Form1.h"
#include "shell/handlers/HandlerSteps.h"
#include "shell/controls/ListModel.h"
#include "support/ScriptedPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

class HookedPlatform : public ScriptedPlatform {
public:
    // Runs after each answered (not cancelled) dialog, before the handler
    // looks at the answer.
    std::function<void()> afterDialog;

    bool FileDialog(const FileDialogRequest &request, QString *result) override
    {
        const bool ok = ScriptedPlatform::FileDialog(request, result);
        if (ok && afterDialog)
            afterDialog();
        return ok;
    }
};

struct FaultRig {
    QTemporaryDir dir; // the user's files
    QTemporaryDir appDir;
    HookedPlatform p;
    std::unique_ptr<Form1> window;

    // Starts the window at once unless the application folder is to be
    // arranged first.
    explicit FaultRig(bool startNow = true)
    {
        p.appPath = QDir::toNativeSeparators(appDir.path());
        if (startNow)
            start();
    }
    void start()
    {
        window = std::make_unique<Form1>(p);
        window->Form_Load();
    }
    Form1 &w() { return *window; }
    QString path(const QString &name) const { return dir.filePath(name); }
    void click(int button) { w().button(button)->click(); }

    QStringList errorTexts() const
    {
        QStringList out;
        for (const ScriptedPlatform::Box &b : p.boxes)
            if (b.title == QLatin1String("Application Error"))
                out << b.prompt;
        return out;
    }
    QStringList files() const
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                          QDir::Name);
    }
};

inline QString errorBox(const char *handler, const char *description, int line)
{
    return ErrorReportText(QLatin1String(description), HandlerLocation(QLatin1String(handler)), line);
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// After a fault: the user clears both lists, adds the samples, extracts,
// copies, saves, and loads the saved file back. Every step must do exactly
// its ordinary job, with no box but "Done." and the copy's confirmation.
inline void ordinarySessionWorks(FaultRig &r)
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
    QCOMPARE(readBytes(saved).count("\r\n"), 3);
    r.click(4);
    QCOMPARE(r.w().entries().count(), 6);
    QCOMPARE(r.w().entries().text(5), QStringLiteral("kestrune.example"));
    QCOMPARE(r.p.boxes.size(), 2);
    QCOMPARE(r.p.boxes[0].prompt, QStringLiteral("Done."));
    QCOMPARE(r.w().MousePointer(), int(Form1::PointerDefault));
    QVERIFY(!r.w().IsExtracting);
}
