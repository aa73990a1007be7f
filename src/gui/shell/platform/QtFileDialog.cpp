// The real file dialog: Qt's own, taking its name field as the user's choice.
#include "gui/shell/platform/QtPlatform.h"

#include "core/shell/platform/RuntimeError.h"
#ifdef Q_OS_WIN
#include "gui/shell/platform/WindowsShell.h"
#endif

#include <QAbstractItemView>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QPushButton>

#include <limits>

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

QString QtPlatform::typedPath(const QString &folder, const QString &name)
{
    // "~" and "~/..." are the home folder, as in every file dialog on a Linux
    // desktop and in the dialog's own completer, which lists the home folder's
    // names for them.
    if (name == QLatin1String("~") || name.startsWith(QLatin1String("~/")))
        return QDir::cleanPath(QDir::homePath() + name.mid(1));
    return QDir(folder).absoluteFilePath(name);
}

namespace {

// Qt's icons, with each file's type told by its name alone. Qt's own provider
// reads the start of every file the dialog lists to tell its type: in /proc a
// file without end (pagemap) took hundreds of megabytes before the user had
// chosen anything, and a device or a pipe would keep it waiting.
class NameTypedIcons : public QFileIconProvider {
public:
    QString type(const QFileInfo &info) const override
    {
        if (!info.isFile())
            return QFileIconProvider::type(info); // folders, drives: no content read
        return mimeTypes_.mimeTypeForFile(info, QMimeDatabase::MatchExtension).comment();
    }

private:
    QMimeDatabase mimeTypes_;
};

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
        // Asked from the dialog's listing thread until it has stopped, after
        // the dialog: it lives as long as the program.
        static NameTypedIcons *const icons = new NameTypedIcons;
        setIconProvider(icons);
        nameEdit_ = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        list_ = findChild<QAbstractItemView *>(QStringLiteral("listView"));
        model_ = findChild<QFileSystemModel *>();
        // The field would stop at 32,767 characters, and a selection of some
        // thousands of files would reach the program cut. The name buffer is
        // what bounds a choice.
        if (nameEdit_)
            nameEdit_->setMaxLength(std::numeric_limits<int>::max());
    }

    // The name buffer: a text typed or picked that does not fit is no choice.
    void setBufferChars(int chars) { bufferChars_ = chars; }
    bool overflowed() const { return overflowed_; }

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
        const QString text = nameEdit_ ? nameEdit_->text() : QString();
        if (text.isEmpty()) {
            // A folder picked in the list opens, as in any file dialog.
            const QStringList picked = pickedPaths(true);
            if (picked.size() == 1 && QFileInfo(picked.first()).isDir())
                enterFolder(picked.first());
            return;
        }
        if (isPattern(text)) {
            // A typed pattern narrows the list until another filter is chosen.
            if (model_) {
                QString patterns = text;
                patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
                model_->setNameFilters(patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts));
            }
            return;
        }
        const QStringList names = chosenNames(text);
        if (names.isEmpty())
            return;
        if (names.size() == 1 && QFileInfo(names.first()).isDir()) {
            // A folder opens, as in any file dialog, even the one shown.
            enterFolder(names.first());
            return;
        }
        // What the buffer holds is the value the names make (folder NUL name
        // NUL ...) and its ending NUL, not the field's quoted names, which
        // take two characters more a file.
        overflowed_ = QtPlatform::fileDialogValue(names).size() >= bufferChars_;
        if (!overflowed_)
            chosen_ = names;
        QDialog::accept();
    }

private:
    void enterFolder(const QString &path)
    {
        setDirectory(path);
        nameEdit_->clear();
        // The name completer still lists the old folder's names; left open,
        // its popup would swallow the next click.
        if (QCompleter *completer = nameEdit_->completer())
            completer->popup()->hide();
    }

    bool isPattern(const QString &text) const
    {
        return (text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?')))
            && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('/'))
            && !text.contains(QLatin1Char('\\')) && !QFileInfo::exists(directory().absoluteFilePath(text));
    }

    // The rows picked in the list, in the order Qt writes them into the name
    // field; folders only when asked for.
    QStringList pickedPaths(bool withFolders) const
    {
        QStringList paths;
        if (!model_ || !list_ || !list_->selectionModel())
            return paths;
        const QModelIndexList rows = list_->selectionModel()->selectedRows();
        for (const QModelIndex &row : rows) {
            if (withFolders || !model_->isDir(row))
                paths << model_->filePath(row);
        }
        return paths;
    }

    // Clicking files writes their names into the field, several in double
    // quotes: "a.txt" "b.txt". When the field still reads exactly that, the
    // picked files are the choice, whatever their names hold; otherwise the
    // text was typed. Only the open side reads several typed names, and only
    // when the text is not itself the name of something.
    QStringList chosenNames(const QString &text) const
    {
        const QString folder = directory().absolutePath();
        const QString whole = QtPlatform::typedPath(folder, text);
        if (acceptMode() == QFileDialog::AcceptSave || QFileInfo::exists(whole))
            return {whole};
        const QStringList picked = pickedPaths(false);
        if (picked.size() > 1) {
            QStringList quoted;
            for (const QString &path : picked)
                quoted << QLatin1Char('"') + QFileInfo(path).fileName() + QLatin1Char('"');
            if (quoted.join(QLatin1Char(' ')) == text)
                return picked;
        }
        if (!text.contains(QLatin1Char('"')))
            return {whole};
        QStringList names;
        const QStringList tokens = text.split(QLatin1Char('"'));
        for (qsizetype i = 1; i < tokens.size(); i += 2) {
            if (!tokens[i].isEmpty())
                names << QtPlatform::typedPath(folder, tokens[i]);
        }
        return names;
    }

    QAbstractItemView *list_ = nullptr;
    QFileSystemModel *model_ = nullptr;
    QLineEdit *nameEdit_ = nullptr;
    QStringList chosen_;
    int bufferChars_ = std::numeric_limits<int>::max();
    bool overflowed_ = false;
};

} // namespace

bool QtPlatform::FileDialog(const FileDialogRequest &request, QString *result)
{
    throwIfEnded();
#ifdef Q_OS_WIN
    // Windows has the system's own dialog, which takes the flags as they are.
    const bool chosen = WindowsShell::FileDialog(window_, request, result);
    throwIfEnded();
    return chosen;
#endif
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
    dialog.setBufferChars(request.bufferChars);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    throwIfEnded();
    if (accepted && dialog.overflowed())
        throw FileNameBufferTooSmall();
    const QStringList files = dialog.chosen();
    if (!accepted || files.isEmpty())
        return false;
    *result = fileDialogValue(files);
    return true;
}

QString QtPlatform::fileDialogValue(const QStringList &paths)
{
    if (paths.size() == 1)
        return QDir::toNativeSeparators(paths.first());
    // Several files: folder NUL name NUL name ..., the folder being the first
    // file's. A typed name from elsewhere stays reachable as a relative path.
    const QString folder = QFileInfo(paths.first()).absolutePath();
    const QDir base(folder);
    QString value = QDir::toNativeSeparators(folder);
    for (const QString &f : paths)
        value += QChar(0) + QDir::toNativeSeparators(base.relativeFilePath(f));
    return value;
}
