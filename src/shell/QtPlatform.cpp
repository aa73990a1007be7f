#include "QtPlatform.h"

#include "RuntimeError.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTime>
#include <QUrl>

#include <cstdlib>

QtPlatform::QtPlatform() : random_(0) {}

QString QtPlatform::displayText(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

int QtPlatform::MsgBox(const QString &prompt, int buttons, const QString &title)
{
    QMessageBox box(window_);
    box.setWindowTitle(title.isEmpty() ? appTitle() : title);
    box.setText(displayText(prompt));
    box.setTextFormat(Qt::PlainText);
    if (buttons & Msg::Exclamation)
        box.setIcon(QMessageBox::Warning);
    if ((buttons & 7) == Msg::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? Msg::Yes : Msg::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Msg::Ok;
}

QString QtPlatform::InputBox(const QString &prompt, const QString &title)
{
    bool ok = false;
    const QString text = QInputDialog::getText(window_, title.isEmpty() ? appTitle() : title, displayText(prompt),
                                               QLineEdit::Normal, QString(), &ok);
    return ok ? text : QString();
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

// Accepts typed names that do not exist: the load answers "File not found"
// itself, so the dialog must not refuse them with a warning of its own.
class LenientFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    // For the open side. Qt greys out "Open" while the name field holds a name
    // it cannot find; keep it usable, since the load reports such names itself.
    void allowUnknownNames()
    {
        nameEdit_ = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        auto *buttons = findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        if (!nameEdit_ || !buttons)
            return;
        QPushButton *open = buttons->button(QDialogButtonBox::Open);
        if (!open)
            return;
        // Connected after Qt's own check, so this has the last word.
        connect(nameEdit_, &QLineEdit::textChanged, open, [open](const QString &text) {
            if (!text.isEmpty())
                open->setEnabled(true);
        });
    }

    // The open side's choice, full paths in the order given.
    QStringList chosen() const { return chosen_; }

    void accept() override
    {
        if (acceptMode() != QFileDialog::AcceptOpen) {
            QDialog::accept();
            return;
        }
        QStringList files = typedNames();
        if (files.isEmpty())
            files = selectedFiles();
        if (files.isEmpty())
            return;
        if (files.size() == 1 && QFileInfo(files.first()).isDir() && QDir(files.first()) != directory()) {
            setDirectory(files.first()); // a typed folder opens, as in any file dialog
            if (nameEdit_)
                nameEdit_->clear();
            return;
        }
        chosen_ = files;
        QDialog::accept();
    }

private:
    // The name field is the choice: clicking files writes their names there,
    // and names typed there count even when Qt's views know no such file
    // (its own selection then holds only the names that exist). Several names
    // stand in double quotes: "a.txt" "b.txt".
    QStringList typedNames() const
    {
        QStringList names;
        if (!nameEdit_)
            return names;
        const QString text = nameEdit_->text();
        if (text.isEmpty())
            return names;
        if (!text.contains(QLatin1Char('"'))) {
            names << text;
        } else {
            const QStringList tokens = text.split(QLatin1Char('"'));
            for (qsizetype i = 1; i < tokens.size(); i += 2) {
                if (!tokens[i].isEmpty())
                    names << tokens[i];
            }
        }
        const QDir folder = directory();
        for (QString &name : names)
            name = folder.absoluteFilePath(name);
        return names;
    }

    QLineEdit *nameEdit_ = nullptr;
    QStringList chosen_;
};

} // namespace

bool QtPlatform::FileDialog(const FileDialogRequest &request, QString *result)
{
    LenientFileDialog dialog(window_, request.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
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
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    if (request.kind == FileDialogRequest::Kind::Save) {
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty())
            return false;
        *result = QDir::toNativeSeparators(files.first());
        return true;
    }

    const QStringList files = dialog.chosen();
    if (files.isEmpty())
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
    if (gate_.due())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
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

void QtPlatform::EndProgram()
{
    std::_Exit(0);
}

void QtPlatform::setAppTitle(const QString &title)
{
    Platform::setAppTitle(title);
    QCoreApplication::setApplicationName(title);
}
