#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// The file dialog object keeps its properties between uses; each use hands
// them to the platform, which answers with the chosen name(s) or a cancel.
struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString fileName; // the name the dialog proposes
    long flags = 0;
    QString title;
    QString filter;   // "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"
    int bufferChars = 30000; // the name buffer, its ending NUL included
};

// Button-and-icon values and answers of the message box.
namespace Msg {
constexpr int OkOnly = 0;
constexpr int YesNo = 4;
constexpr int Exclamation = 48;
constexpr int Ok = 1;
constexpr int Yes = 6;
constexpr int No = 7;
}

// Every call to the outside world goes through here: the program runs on the
// Qt implementation, tests on a scripted one that answers dialogs and records
// every box.
class Platform {
public:
    virtual ~Platform() = default;

    // An empty title shows the application title. Returns Msg::Ok, Yes or No.
    virtual int MsgBox(const QString &prompt, int buttons = Msg::OkOnly, const QString &title = QString()) = 0;
    // The empty text on Cancel.
    virtual QString InputBox(const QString &prompt, const QString &title = QString()) = 0;
    // False on Cancel. On OK, *result is the full path of one file, or for several
    // files of one folder: folder NUL name NUL name ...
    virtual bool FileDialog(const FileDialogRequest &request, QString *result) = 0;

    // Both report whether the attempt worked.
    virtual bool ClipboardClear() = 0;
    // The text in UTF-8: a list's copy, hundreds of megabytes, is made in the
    // bytes its rows are stored in, half of what UTF-16 would take.
    virtual bool ClipboardSetText(const QByteArray &text, int format) = 0;
    // The clipboard's plain text; the empty text when it holds none.
    virtual QString ClipboardGetText() = 0;

    // Throws RuntimeError when the address cannot be handed to the browser.
    virtual void OpenUrl(const QString &url) = 0;

    // Lets pending user-interface events run. Callers may call it once per row:
    // implementations decide how often events really run.
    virtual void DoEvents() = 0;

    // Bytes this process may still take, as the system and its own limits
    // allow (see SystemMemory); -1 when the system does not tell.
    virtual qint64 AvailableMemory() = 0;

    virtual double SecondsSinceMidnight() = 0;
    virtual void Randomize(double seed) = 0;
    virtual double Rnd() = 0; // in [0, 1)

    // The folder of the executable, without a trailing separator.
    virtual QString AppPath() = 0;

    // Ends the program at once: no question, nothing saved. Throws
    // ProgramEnded, which unwinds whatever handler was running.
    [[noreturn]] virtual void EndProgram() = 0;

    // Every event handler runs through here. Where ending the program leaves
    // through the event loop (the real platform), this is where ProgramEnded
    // stops: it must never climb through the toolkit's own frames, and no
    // handler may start once the program has ended. The scripted platform
    // lets it reach the test.
    virtual void RunHandler(const std::function<void()> &handler) { handler(); }

    const QString &appTitle() const { return appTitle_; }
    virtual void setAppTitle(const QString &title) { appTitle_ = title; }

private:
    QString appTitle_;
};
