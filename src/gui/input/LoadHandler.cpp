// Loading entries from text files.
#include "gui/shell/window/Form1.h"
#include "core/shell/handlers/HandlerSteps.h"
#include "core/shell/controls/ListModel.h"
#include "core/shell/platform/Platform.h"
#include "core/shell/platform/RuntimeError.h"

#include "core/input/LoadList.h"

#include <QDir>

void Form1::PushButton4_Click()
{
    HandlerSteps s(platform(), QStringLiteral("PushButton4_Click"));
    s.step(100, [&] { CommonDialog1.setFileName(QString()); });
    s.step(102, [&] { CommonDialog1.setFlags(kFileDialogFlags); });
    s.step(104, [&] {
        CommonDialog1.setDialogTitle(QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"));
    });
    s.step(106, [&] { CommonDialog1.setFilter(QLatin1String(kFileDialogFilter)); });
    // A selection too long for the name buffer: nothing is loaded, and the
    // pointer was never touched.
    if (s.stepUnless(108, ErrNo::FileNameBufferTooSmall, [&] { CommonDialog1.ShowOpen(); })
        == ErrNo::FileNameBufferTooSmall) {
        platform().MsgBox(QStringLiteral("You've selected too many files to add.\r\r"
                                         "Please try adding via the \"Add All\" button."));
        return;
    }
    // Cancel leaves the empty name set above, which gives no pieces.
    QStringList pieces;
    s.step(110, [&] { pieces = Main::SplitAtNul(CommonDialog1.fileName()); });
    s.step(112, [&] { setMousePointer(PointerHourglass); });
    if (s.test(114, [&] { return pieces.size() == 1; })) {
        // The path is used exactly as the dialog gave it.
        QString path;
        s.step(116, [&] { path = pieces.at(0); });
        s.step(118, [&] { Main::LoadListFile(platform(), entries(), path); });
    } else if (s.test(120, [&] { return pieces.size() >= 2; })) {
        qsizetype first = 1;
        qsizetype last = 0;
        s.step(122, [&] { first = 1; });
        s.step(124, [&] { last = pieces.size() - 1; });
        for (qsizetype k = first; k <= last; ++k) {
            QString path;
            s.step(128, [&] { path = pieces.at(0) + QDir::separator() + pieces.at(k); });
            s.step(130, [&] { path = Main::CollapseNativeSeparators(path); });
            s.step(132, [&] { Main::LoadListFile(platform(), entries(), path); });
        }
    }
    s.step(136, [&] { setMousePointer(PointerDefault); });
}
