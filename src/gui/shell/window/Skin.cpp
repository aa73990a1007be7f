// The skin: a style sheet file in the application folder. Its presence alone
// turns the window's plain surfaces to the button face.
#include "gui/shell/window/Form1.h"

#include "core/shell/platform/Platform.h"
#include "core/shell/platform/RuntimeError.h"
#include "gui/shell/platform/SystemColours.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStringDecoder>
#include <QThread>

namespace {

// The kinds of control that take the window's colour when a skin is present:
// option buttons, check boxes, frames and labels. A scroll area is a QFrame
// too, but not a frame in this sense, so frames are matched by exact class.
bool takesSkinColour(const QWidget *w)
{
    return qobject_cast<const QRadioButton *>(w) || qobject_cast<const QCheckBox *>(w)
        || qobject_cast<const QGroupBox *>(w) || qobject_cast<const QLabel *>(w)
        || w->metaObject() == &QFrame::staticMetaObject;
}

// The window's controls in creation order, with those inside frames after
// their frame. The inner parts of a composite control (a list's header and
// scroll bars) are not controls of the window.
void collectControls(QWidget *parent, QList<QWidget *> &out)
{
    for (QObject *child : parent->children()) {
        auto *w = qobject_cast<QWidget *>(child);
        if (!w || w->isWindow())
            continue;
        out.append(w);
        if (qobject_cast<QGroupBox *>(w) || w->metaObject() == &QFrame::staticMetaObject
            || w->metaObject() == &QWidget::staticMetaObject)
            collectControls(w, out);
    }
}

// Qt reports a style sheet it cannot parse only as a warning, when a widget
// using the sheet is polished. Polishing a throwaway widget while listening to
// the warnings turns that into an answer. Only the UI thread listens; other
// messages pass on untouched.
QtMessageHandler g_previousHandler = nullptr;
bool g_sheetRejected = false;

void listenForRejectedSheet(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("Could not parse stylesheet"))
        && QThread::currentThread() == qApp->thread()) {
        g_sheetRejected = true;
        return;
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

// The skin's text: UTF-8, optionally with a byte-order mark. Anything that
// does not decode cleanly, or holds a NUL, is not a style sheet.
QString readSkinText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw PathFileAccessError();
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw PathFileAccessError();
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError() || text.contains(QChar(0)))
        throw RuntimeError(ErrNo::InvalidCall, QStringLiteral("Skin file is not valid text"));
    return text;
}

} // namespace

bool Form1::isNormalFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

bool Form1::styleSheetParses(const QString &sheet)
{
    g_sheetRejected = false;
    g_previousHandler = qInstallMessageHandler(listenForRejectedSheet);
    {
        QWidget probe;
        probe.setStyleSheet(sheet);
        probe.ensurePolished();
    }
    qInstallMessageHandler(g_previousHandler);
    g_previousHandler = nullptr;
    return !g_sheetRejected;
}

// Our stand-in for the skin engine: the skin file is a Qt style sheet for the
// whole window. Its presence alone turns the window's plain surfaces to the
// button face; a skin that cannot be read or parsed is reported by the caller
// after the colours have changed, and the window keeps Qt's own look.
void Form1::ApplySkin()
{
    const QString skinPath = platform_.AppPath() + QDir::separator() + QStringLiteral("x") + QDir::separator()
        + QStringLiteral("o.cjs");
    if (!isNormalFile(skinPath))
        return;
    // A user who needs high contrast gets the system's colours, not the skin's.
    if (highContrastInEffect())
        return;
    skinned_ = true;

    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    setBackColor(buttonFace);
    QList<QWidget *> controls;
    collectControls(this, controls);
    QList<QColor> before;
    for (QWidget *control : std::as_const(controls))
        before.append(control->palette().color(QPalette::Window));
    for (QWidget *control : std::as_const(controls)) {
        if (!takesSkinColour(control))
            continue;
        QPalette pal = control->palette();
        pal.setColor(QPalette::Window, buttonFace);
        control->setPalette(pal);
        control->setAutoFillBackground(true);
    }
    // A Qt palette flows into the controls inside a frame; any other kind of
    // control there keeps the colour it had.
    for (qsizetype i = 0; i < controls.size(); ++i) {
        QWidget *control = controls[i];
        if (takesSkinColour(control) || control->palette().color(QPalette::Window) == before[i])
            continue;
        QPalette pal = control->palette();
        pal.setColor(QPalette::Window, before[i]);
        control->setPalette(pal);
    }

    const QString sheet = readSkinText(skinPath);
    if (!styleSheetParses(sheet))
        throw RuntimeError(ErrNo::InvalidCall, QStringLiteral("Skin file is not a valid style sheet"));
    setStyleSheet(sheet);
}
