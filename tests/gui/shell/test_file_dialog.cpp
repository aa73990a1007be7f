// Qt's own file dialog (Linux; Windows shows the system's), driven in the
// program's process as a user drives it: the value it hands over.
#include "core/shell/platform/RuntimeError.h"
#include "gui/shell/platform/QtPlatform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestFileDialog : public QObject {
    Q_OBJECT
private slots:
    // Qt's own dialog measures a choice as the value it makes (folder NUL
    // name NUL ...), not as its name field's quoted names, two characters
    // longer a file: files picked in its list, or names typed, that fit the
    // 30000-character buffer are chosen.
    void dialogValueMeasured_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<bool>("typed"); // else picked: every file of the folder selected
        QTest::addColumn<bool>("filled"); // a folder name that brings the value to 29,999
        QTest::newRow("2,400 picked") << 2400 << false << false;
        QTest::newRow("2,400 typed") << 2400 << true << false;
        // The buffer's last place is its ending NUL.
        QTest::newRow("typed, the buffer's length less one") << 2700 << true << true;
    }
    void dialogValueMeasured()
    {
        QFETCH(int, files);
        QFETCH(bool, typed);
        QFETCH(bool, filled);
        QTemporaryDir root;
        QString folder = root.path() + QStringLiteral("/m");
        // Folders of up to 100 characters down to the length wanted.
        while (filled && folder.size() < 29999 - files * 11)
            folder += u'/' + QString(std::min<qsizetype>(100, 29999 - files * 11 - folder.size() - 1), u'x');
        QVERIFY(QDir().mkpath(folder));
        QStringList names;
        for (int i = 0; i < files; ++i) {
            names << QStringLiteral("f%1.txt").arg(i, 5, 10, QChar(u'0'));
            // Typed names need not exist (the load says "File not found"),
            // and Qt's dialog would look each one up as the text changes.
            QFile f(folder + u'/' + names.last());
            QVERIFY(typed || f.open(QIODevice::WriteOnly));
        }
        QtPlatform platform;
        FileDialogRequest request;
        request.flags = 0x200; // several files
        bool shown = false;
        qsizetype fieldChars = 0;
        QTimer driver;
        driver.setInterval(20);
        QElapsedTimer waited;
        waited.start();
        connect(&driver, &QTimer::timeout, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto *list = dialog->findChild<QListView *>(QStringLiteral("listView"));
            auto *field = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (!list || !field || waited.elapsed() > 120000) {
                dialog->reject(); // not as expected: said so below
                return;
            }
            if (dialog->directory() != QDir(folder)) {
                // The list as the dialog shows it on a desktop (off screen it shows details).
                dialog->setViewMode(QFileDialog::List);
                dialog->setDirectory(folder);
                return;
            }
            if (!typed && list->model()->rowCount(list->rootIndex()) < files)
                return; // Qt lists a folder in the background
            shown = true;
            driver.stop();
            if (typed) {
                QStringList quoted;
                for (const QString &n : std::as_const(names))
                    quoted << u'"' + n + u'"';
                field->setText(quoted.join(u' '));
            } else {
                // A click in the list, then Ctrl+A: the field takes the
                // picked names, each in double quotes.
                QApplication::setActiveWindow(dialog);
                const QModelIndex first = list->model()->index(0, 0, list->rootIndex());
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(first).center());
                list->setFocus(Qt::MouseFocusReason); // what a real click does besides
                QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
                fieldChars = field->text().size();
            }
            QMetaObject::invokeMethod(dialog, "accept"); // as the Open button does
            if (dialog->isVisible())
                dialog->reject(); // took no choice: said so below
        });
        driver.start();
        QString value;
        bool chosen = false;
        try {
            chosen = platform.FileDialog(request, &value);
        } catch (const RuntimeError &e) {
            QFAIL(qPrintable(e.description()));
        }
        QVERIFY(shown);
        if (!typed)
            QCOMPARE(fieldChars, 13 * files - 1);
        QVERIFY(chosen);
        QCOMPARE(value.size(), folder.size() + 11 * files);
        // Picked files come in the order Qt listed them.
        QStringList pieces = value.split(QChar(0));
        QCOMPARE(pieces.takeFirst(), folder);
        pieces.sort();
        QCOMPARE(pieces, names);
    }
};

QTEST_MAIN(TestFileDialog)
#include "test_file_dialog.moc"
