#pragma once

#include "ScriptedPlatform.h"
#include "shell/window/Form1.h"
#include "shell/controls/ListModel.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// The real window on a scripted platform, started up in an empty application folder.
struct WindowFixture {
    QTemporaryDir appDir;
    ScriptedPlatform platform;
    std::unique_ptr<Form1> window;

    WindowFixture()
    {
        platform.appPath = appDir.path();
        window = std::make_unique<Form1>(platform);
        window->Form_Load();
        platform.boxes.clear();
    }

    Form1 &w() { return *window; }
};

inline QStringList rowsOf(const ListModel &list)
{
    QStringList out;
    for (qsizetype i = 1; i <= list.count(); ++i)
        out << list.text(i);
    return out;
}
