// The platform as the program meets it: boxes, clipboard, browser, the event
// loop and the end of the program. The file dialog has a file of its own.
#include "gui/shell/platform/QtPlatform.h"

#include "core/shell/platform/RuntimeError.h"
#include "core/shell/platform/SystemMemory.h"
#ifdef Q_OS_WIN
#include "gui/shell/platform/WindowsShell.h"
#endif

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QSpacerItem>
#include <QStringDecoder>
#include <QStyle>
#include <QTime>
#include <QUrl>

#include <limits>

QtPlatform::QtPlatform() : random_(0) {}

QString QtPlatform::displayText(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

namespace {

// A window manager cuts a title wider than its window ("Kestrun…tractor"), so
// a small box is widened to show its title beside the title bar's buttons.
void widenForTitle(QMessageBox &box)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    QFont font = QApplication::font();
    font.setBold(true);
    const int buttons = 4 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int width = QFontMetrics(font).horizontalAdvance(box.windowTitle()) + buttons;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

// The clipboard's text as the UTF-8 it was made in. Qt would decode it for a
// reader that wants text (Windows' clipboard, a paste in this program)
// dropping a byte-order mark at its start, which belongs to the first row.
class Utf8Text : public QMimeData {
protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override
    {
        if (type.id() == QMetaType::QString && mimeType.startsWith(QLatin1String("text/plain"))) {
            QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
            return QString(utf8(QMimeData::retrieveData(QStringLiteral("text/plain"), QMetaType::fromType<QByteArray>())
                                    .toByteArray()));
        }
        return QMimeData::retrieveData(mimeType, type);
    }
};

} // namespace

int QtPlatform::MsgBox(const QString &prompt, int buttons, const QString &title)
{
    throwIfEnded();
    QMessageBox box(window_);
    box.setWindowTitle(title.isEmpty() ? appTitle() : title);
    box.setText(displayText(prompt));
    box.setTextFormat(Qt::PlainText);
    if (buttons & Msg::Exclamation)
        box.setIcon(QMessageBox::Warning);
    const bool yesNo = (buttons & 7) == Msg::YesNo;
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    widenForTitle(box);
    const int answer = box.exec();
    throwIfEnded();
    if (!yesNo)
        return Msg::Ok;
    return answer == QMessageBox::Yes ? Msg::Yes : Msg::No;
}

QString QtPlatform::InputBox(const QString &prompt, const QString &title)
{
    throwIfEnded();
    QInputDialog dialog(window_);
    dialog.setWindowTitle(title.isEmpty() ? appTitle() : title);
    dialog.setLabelText(displayText(prompt));
    dialog.setInputMode(QInputDialog::TextInput);
    // Qt's field stops at 32,767 characters and would cut a long paste silently.
    if (auto *field = dialog.findChild<QLineEdit *>())
        field->setMaxLength(std::numeric_limits<int>::max());
    const bool ok = dialog.exec() == QDialog::Accepted;
    throwIfEnded();
    return ok ? oneLine(dialog.textValue()) : QString();
}

QString QtPlatform::oneLine(const QString &text)
{
    // The one-line field shows every control character but TAB, and the line
    // and paragraph separators, as one blank each (CR LF as two): the entry
    // is what the field showed.
    QString line = text;
    for (QChar &c : line) {
        if ((c.unicode() < 0x20 && c != u'\t') || c == QChar::LineSeparator || c == QChar::ParagraphSeparator
            || c == QChar::ObjectReplacementCharacter)
            c = u' ';
    }
    return line;
}

bool QtPlatform::ClipboardClear()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->clear();
    return true;
}

bool QtPlatform::ClipboardSetText(const QByteArray &text, int format)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    // Held as the UTF-8 it is: X11 hands these very bytes over as
    // UTF8_STRING, and a reader that wants text (Windows' CF_UNICODETEXT, a
    // paste here) gets it decoded when it asks.
    auto *data = format == 0 ? new Utf8Text : new QMimeData;
    data->setData(format == 0 ? QStringLiteral("text/plain") : QStringLiteral("application/x-kestrune-format-%1").arg(format),
                  text);
    clipboard->setMimeData(data);
    // Qt reports no failure of its own; a clipboard that took the data has it.
    const QMimeData *held = clipboard->mimeData();
    return held != nullptr;
}

QString QtPlatform::ClipboardGetText()
{
    // Waiting for another program to hand its text over lets events run.
    throwIfEnded();
    const QClipboard *clipboard = QGuiApplication::clipboard();
    const QString text = clipboard ? clipboard->text() : QString();
    throwIfEnded();
    return text;
}

void QtPlatform::OpenUrl(const QString &url)
{
#ifdef Q_OS_WIN
    WindowsShell::OpenUrlThroughExplorer(url);
    return;
#endif
    if (!QDesktopServices::openUrl(QUrl(url)))
        throw FileNotFound();
}

void QtPlatform::DoEvents()
{
    // Every row of a long loop passes here: whatever ran before it, or in the
    // last turn of the event loop, leaves the vector registers clean for it.
    ClearUpperVectorState();
    if (gate_.due()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        throwIfEnded();
    }
}

qint64 QtPlatform::AvailableMemory()
{
    return SystemMemory::Available();
}

double QtPlatform::SecondsSinceMidnight()
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

void QtPlatform::Randomize(double seed)
{
    random_.seed(std::mt19937::result_type(seed * 1000.0));
}

double QtPlatform::Rnd()
{
    return double(random_() & 0xFFFFFFu) / double(1u << 24); // never reaches 1
}

QString QtPlatform::AppPath()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

// Leaves through the event loop rather than ending the process here: copied
// text is handed over to the system's clipboard after the loop and in Qt's
// shutdown. Any unfinished save was already dropped by the window.
void QtPlatform::EndProgram()
{
    ended_ = true;
    QCoreApplication::exit(0);
    throw ProgramEnded{};
}

void QtPlatform::RunHandler(const std::function<void()> &handler)
{
    if (ended_)
        return;
    try {
        handler();
    } catch (const ProgramEnded &) {
        // The program ends when control is back in the event loop.
    }
}

void QtPlatform::throwIfEnded() const
{
    if (ended_)
        throw ProgramEnded{};
}

void QtPlatform::setAppTitle(const QString &title)
{
    Platform::setAppTitle(title);
    QCoreApplication::setApplicationName(title);
}
