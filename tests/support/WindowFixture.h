#pragma once

// The real window on a scripted platform, with an application folder of its
// own (arranged before start-up when a test needs a skin, a cursor or extra
// controls) and a folder for the user's files. Every window test starts here.

#include "ScriptedPlatform.h"
#include "TestHelpers.h"
#include "gui/shell/window/Form1.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The platform is a parameter only so that a test can put a ScriptedPlatform
// with other failures (ThrowingClipboard) under the same window.
template <class ScriptedPlatformType>
struct BasicWindowFixture {
    // Now: started up at once. Shown: started up and on screen. Later: the
    // test arranges the application folder or the window, then calls start().
    enum class Start { Now, Shown, Later };

    QTemporaryDir appDir;
    QTemporaryDir dir; // the user's files
    ScriptedPlatformType p;
    std::unique_ptr<Form1> window;
    bool visible = false; // exposed by the window system after show()

    explicit BasicWindowFixture(Start when = Start::Now)
    {
        p.appPath = QDir::toNativeSeparators(appDir.path());
        if (when == Start::Later)
            return;
        start();
        if (when == Start::Shown)
            show();
    }

    // The window without its start-up, for a test that changes it first.
    Form1 &create()
    {
        window = std::make_unique<Form1>(p);
        return *window;
    }
    Form1 &start()
    {
        if (!window)
            create();
        window->Form_Load();
        return *window;
    }
    bool show()
    {
        window->show();
        visible = QTest::qWaitForWindowExposed(window.get());
        return visible;
    }

    Form1 &w() { return *window; }
    void click(int button) { w().button(button)->click(); }

    QString path(const QString &name) const { return dir.filePath(name); }
    QString appFile(const QString &name) const { return appDir.filePath(name); }
    // Puts a file into the application folder, making the folders on the way.
    bool putAppFile(const QString &name, const QByteArray &bytes)
    {
        return QDir(appDir.path()).mkpath(QFileInfo(appFile(name)).path()) && writeAll(appFile(name), bytes);
    }
    QStringList files() const { return entriesOf(dir.path()); }
    QStringList errorTexts() const
    {
        QStringList out;
        for (const ScriptedPlatform::Box &b : p.errorBoxes())
            out << b.prompt;
        return out;
    }
};

using WindowFixture = BasicWindowFixture<ScriptedPlatform>;
