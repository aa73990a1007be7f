#pragma once

#include "core/shell/platform/Platform.h"
#include "core/shell/platform/YieldGate.h"

#include <QPointer>
#include <random>

class QWidget;

// The platform as the program meets it: Qt's boxes, dialogs, clipboard and
// desktop services, and the real event loop.
class QtPlatform : public Platform {
public:
    QtPlatform();

    // Parent of the boxes and dialogs, so they centre on the window.
    void setWindow(QWidget *window) { window_ = window; }

    int MsgBox(const QString &prompt, int buttons, const QString &title) override;
    QString InputBox(const QString &prompt, const QString &title) override;
    bool FileDialog(const FileDialogRequest &request, QString *result) override;
    bool ClipboardClear() override;
    bool ClipboardSetText(const QByteArray &text, int format) override;
    QString ClipboardGetText() override;
    void OpenUrl(const QString &url) override;
    void DoEvents() override;
    qint64 AvailableMemory() override;
    double SecondsSinceMidnight() override;
    void Randomize(double seed) override;
    double Rnd() override;
    QString AppPath() override;
    [[noreturn]] void EndProgram() override;
    void RunHandler(const std::function<void()> &handler) override;
    void setAppTitle(const QString &title) override;

    // Once the event loop has ended, before Qt shuts down: a clipboard manager
    // takes the copied text, whatever its size.
    void handClipboardOver();

    // Line breaks as a label shows them: CR LF, CR and LF each become one break.
    static QString displayText(const QString &text);
    // A pasted text as the one-line field shows it: each line break a blank.
    static QString oneLine(const QString &text);
    // "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|" as Qt name filters.
    static QStringList nameFilters(const QString &filter);
    // A name typed into Qt's file dialog as the full path it stands for, "~"
    // at its start being the home folder.
    static QString typedPath(const QString &folder, const QString &name);
    // The open dialog's value for the chosen files (full paths): one file's
    // path, or folder NUL name NUL name ... for several.
    static QString fileDialogValue(const QStringList &paths);

private:
    // Once the program has ended, every call that let events run unwinds the
    // handler that made it, so nothing more of that handler runs.
    void throwIfEnded() const;

    bool ended_ = false;
    QPointer<QWidget> window_;
    YieldGate gate_;
    std::mt19937 random_;
};
