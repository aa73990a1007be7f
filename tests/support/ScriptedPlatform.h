#pragma once

#include "core/shell/platform/Platform.h"
#include "core/shell/platform/RuntimeError.h"

#include <QList>
#include <QStringDecoder>
#include <QStringList>

#include <functional>
#include <optional>

// A platform for tests: dialogs answer from queues, every box is recorded with
// its exact text, buttons and title, each yield of a loop can run a callback
// that clicks other buttons mid-run, and an answered file dialog can run one
// before the handler looks at the answer (the moment a user's file vanishes).
class ScriptedPlatform : public Platform {
public:
    struct Box {
        QString prompt;
        int buttons = 0;
        QString title; // as shown: the application title when none was passed
    };

    // Recorded.
    QList<Box> boxes;
    QStringList inputPrompts;
    QList<FileDialogRequest> dialogs;
    QStringList openedUrls;
    QList<double> seeds;
    long yields = 0;
    int clipboardClearAttempts = 0;
    int clipboardSetAttempts = 0;
    int clipboardGetAttempts = 0;
    bool ended = false;

    // Scripted answers. Empty queues answer Yes, the empty text and Cancel.
    QList<int> msgAnswers;
    QStringList inputAnswers;
    QList<std::optional<QString>> dialogAnswers;
    std::function<void()> onYield;
    std::function<void()> onClipboardRead;
    std::function<void(const Box &)> onBox;
    std::function<void()> afterDialog; // after an answered (not cancelled) dialog
    QList<double> rndValues; // repeats the last one; 0.5 when empty
    double seconds = 0;
    QString appPath = QStringLiteral(".");
    bool openUrlFails = false;
    qint64 availableMemory = -1; // bytes the process may still take; -1 tells nothing
    int memoryAsks = 0;
    int clipboardClearFailures = 0; // attempts that fail before one works
    int clipboardSetFailures = 0;

    // The clipboard's content.
    std::optional<QString> clipboard;

    int MsgBox(const QString &prompt, int buttons, const QString &title) override
    {
        const Box box{prompt, buttons, title.isEmpty() ? appTitle() : title};
        boxes.append(box);
        if (onBox)
            onBox(box);
        if ((buttons & 7) == Msg::YesNo)
            return msgAnswers.isEmpty() ? Msg::Yes : msgAnswers.takeFirst();
        return Msg::Ok;
    }

    QString InputBox(const QString &prompt, const QString &) override
    {
        inputPrompts.append(prompt);
        return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
    }

    bool FileDialog(const FileDialogRequest &request, QString *result) override
    {
        dialogs.append(request);
        if (dialogAnswers.isEmpty())
            return false;
        const std::optional<QString> answer = dialogAnswers.takeFirst();
        if (!answer)
            return false;
        *result = *answer;
        if (afterDialog)
            afterDialog();
        return true;
    }

    bool ClipboardClear() override
    {
        ++clipboardClearAttempts;
        if (clipboardClearFailures > 0) {
            --clipboardClearFailures;
            return false;
        }
        clipboard.reset();
        return true;
    }

    bool ClipboardSetText(const QByteArray &text, int) override
    {
        ++clipboardSetAttempts;
        if (clipboardSetFailures > 0) {
            --clipboardSetFailures;
            return false;
        }
        // As the real clipboard hands the UTF-8 out as text: a mark at its start kept.
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        clipboard = QString(utf8(text));
        return true;
    }

    QString ClipboardGetText() override
    {
        ++clipboardGetAttempts;
        if (onClipboardRead)
            onClipboardRead();
        return clipboard.value_or(QString());
    }

    void OpenUrl(const QString &url) override
    {
        if (openUrlFails)
            throw RuntimeError(ErrNo::FileNotFound, QStringLiteral("File not found"));
        openedUrls.append(url);
    }

    void DoEvents() override
    {
        ++yields;
        if (onYield)
            onYield();
    }

    qint64 AvailableMemory() override
    {
        ++memoryAsks;
        return availableMemory;
    }

    double SecondsSinceMidnight() override { return seconds; }
    void Randomize(double seed) override { seeds.append(seed); }
    double Rnd() override
    {
        if (rndValues.isEmpty())
            return 0.5;
        return rndValues.size() > 1 ? rndValues.takeFirst() : rndValues.first();
    }
    QString AppPath() override { return appPath; }

    [[noreturn]] void EndProgram() override
    {
        ended = true;
        throw ProgramEnded{};
    }

    QStringList boxTexts() const
    {
        QStringList out;
        for (const Box &b : boxes)
            out << b.prompt;
        return out;
    }

    QList<Box> errorBoxes() const
    {
        QList<Box> out;
        for (const Box &b : boxes)
            if (b.title == QLatin1String("Application Error"))
                out << b;
        return out;
    }
};
