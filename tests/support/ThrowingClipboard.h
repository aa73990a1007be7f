#pragma once

#include "ScriptedPlatform.h"
#include "core/shell/platform/RuntimeError.h"

// A clipboard that throws instead of answering false. Each operation's
// scripted failures throw; `throwsLeft` more are shared by both operations,
// so a test can tell how many attempts the clear used up before the set.
class ThrowingClipboard : public ScriptedPlatform {
public:
    int throwsLeft = 0;

    bool ClipboardClear() override
    {
        if (takeThrow(clipboardClearFailures)) {
            ++clipboardClearAttempts;
            throw RuntimeError(ErrNo::PathFileAccess, QStringLiteral("Can't open clipboard"));
        }
        return ScriptedPlatform::ClipboardClear();
    }
    bool ClipboardSetText(const QByteArray &text, int format) override
    {
        if (takeThrow(clipboardSetFailures)) {
            ++clipboardSetAttempts;
            throw RuntimeError(ErrNo::PathFileAccess, QStringLiteral("Can't open clipboard"));
        }
        return ScriptedPlatform::ClipboardSetText(text, format);
    }

    // Reading the clipboard throws once per scripted failure of either kind.
    QString ClipboardGetText() override
    {
        if (takeThrow(throwsLeft)) {
            ++clipboardGetAttempts;
            if (onClipboardRead)
                onClipboardRead();
            throw RuntimeError(ErrNo::PathFileAccess, QStringLiteral("Can't open clipboard"));
        }
        return ScriptedPlatform::ClipboardGetText();
    }

private:
    bool takeThrow(int &ownFailures)
    {
        int &budget = ownFailures > 0 ? ownFailures : throwsLeft;
        if (budget <= 0)
            return false;
        --budget;
        return true;
    }
};
