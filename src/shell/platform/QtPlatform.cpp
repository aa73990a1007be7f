#include "shell/platform/QtPlatform.h"

#include "shell/platform/RuntimeError.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSpacerItem>
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
    // The field shows a pasted line break as a blank; the entry keeps what was shown.
    QString line = displayText(text);
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

QStringList QtPlatform::nameFilters(const QString &filter)
{
    // Pairs of display text and pattern. Qt reads the pattern from the last
    // parentheses and hides them with HideNameFilterDetails, so "All Files (*.*)"
    // is shown as written while matching every name, dotted or not.
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            continue;
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (pattern == QLatin1String("*.*"))
            pattern = QStringLiteral("*");
        out << parts[i] + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return out;
}

namespace {

// Qt's own file dialog, taking the name field as the user's choice: typed
// names that do not exist still reach the program, which says "File not
// found" itself, and a name is that file when it exists as typed, quotes and
// all. Qt's own accept would take its view's selection instead, and split
// every name at its quotes.
class LenientFileDialog : public QFileDialog {
public:
    LenientFileDialog(QWidget *parent, const QString &title) : QFileDialog(parent, title)
    {
        setOption(QFileDialog::DontUseNativeDialog, true);
        nameEdit_ = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    }

    // For the open side. Qt greys out "Open" while the name field holds a name
    // it cannot find; keep it usable, since the load reports such names itself.
    void allowUnknownNames()
    {
        auto *buttons = findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QPushButton *open = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
        if (!nameEdit_ || !open)
            return;
        // Connected after Qt's own check, so this has the last word.
        connect(nameEdit_, &QLineEdit::textChanged, open, [open](const QString &text) {
            if (!text.isEmpty())
                open->setEnabled(true);
        });
    }

    // Full paths in the order given.
    QStringList chosen() const { return chosen_; }

    void accept() override
    {
        const QStringList names = typedNames();
        if (names.isEmpty())
            return;
        if (names.size() == 1 && QFileInfo(names.first()).isDir()) {
            // A folder opens, as in any file dialog, even the one shown.
            setDirectory(names.first());
            nameEdit_->clear();
            return;
        }
        chosen_ = names;
        QDialog::accept();
    }

private:
    // Clicking files writes their names into the field, several in double
    // quotes: "a.txt" "b.txt". Only the open side reads that form, and only
    // when the text is not itself the name of something.
    QStringList typedNames() const
    {
        const QString text = nameEdit_ ? nameEdit_->text() : QString();
        if (text.isEmpty())
            return {};
        const QDir folder = directory();
        const QString whole = folder.absoluteFilePath(text);
        if (acceptMode() == QFileDialog::AcceptSave || !text.contains(QLatin1Char('"')) || QFileInfo::exists(whole))
            return {whole};
        QStringList names;
        const QStringList tokens = text.split(QLatin1Char('"'));
        for (qsizetype i = 1; i < tokens.size(); i += 2) {
            if (!tokens[i].isEmpty())
                names << folder.absoluteFilePath(tokens[i]);
        }
        return names;
    }

    QLineEdit *nameEdit_ = nullptr;
    QStringList chosen_;
};

} // namespace

bool QtPlatform::FileDialog(const FileDialogRequest &request, QString *result)
{
    throwIfEnded();
    LenientFileDialog dialog(window_, request.title);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(nameFilters(request.filter));
    if (request.kind == FileDialogRequest::Kind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode((request.flags & 0x200) ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
        dialog.allowUnknownNames();
    }
    // A several-file value proposes its folder: the field shows one plain name.
    const QString proposed = request.fileName.section(QChar(0), 0, 0);
    if (!proposed.isEmpty())
        dialog.selectFile(proposed);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    throwIfEnded();
    const QStringList files = dialog.chosen();
    if (!accepted || files.isEmpty())
        return false;
    if (files.size() == 1) {
        *result = QDir::toNativeSeparators(files.first());
        return true;
    }
    // Several files: folder NUL name NUL name ..., the folder being the first
    // file's. A typed name from elsewhere stays reachable as a relative path.
    const QString folder = QFileInfo(files.first()).absolutePath();
    const QDir base(folder);
    QString value = QDir::toNativeSeparators(folder);
    for (const QString &f : files)
        value += QChar(0) + QDir::toNativeSeparators(base.relativeFilePath(f));
    *result = value;
    return true;
}

bool QtPlatform::ClipboardClear()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->clear();
    return true;
}

bool QtPlatform::ClipboardSetText(const QString &text, int format)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    if (format == 0) {
        clipboard->setText(text);
    } else {
        auto *data = new QMimeData;
        data->setData(QStringLiteral("application/x-kestrune-format-%1").arg(format), text.toUtf8());
        clipboard->setMimeData(data);
    }
    // Qt reports no failure of its own; a clipboard that took the data has it.
    const QMimeData *held = clipboard->mimeData();
    return held != nullptr;
}

void QtPlatform::OpenUrl(const QString &url)
{
    if (!QDesktopServices::openUrl(QUrl(url)))
        throw RuntimeError(ErrNo::FileNotFound, QStringLiteral("File not found"));
}

void QtPlatform::DoEvents()
{
    if (gate_.due()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        throwIfEnded();
    }
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

// Leaves through the event loop rather than ending the process here: Qt's
// shutdown is what hands copied text over to the system's clipboard. Any
// unfinished save was already dropped by the window.
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
