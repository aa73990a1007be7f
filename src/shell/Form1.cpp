#include "Form1.h"

#include "HandlerSteps.h"
#include "ListView.h"
#include "Platform.h"
#include "RuntimeError.h"
#include "Startup.h"
#include "Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStyle>
#include <QStyleOption>
#include <QThread>
#include <QtEndian>

namespace {

constexpr auto px = TwipsToPixels;

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

const char *const kListTip =
    "Double-click item to remove it. Move | line to right and out of window to reveal full names.";

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
        throw RuntimeError(ErrNo::PathFileAccess, QStringLiteral("Path/File access error"));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw RuntimeError(ErrNo::PathFileAccess, QStringLiteral("Path/File access error"));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError() || text.contains(QChar(0)))
        throw RuntimeError(ErrNo::InvalidCall, QStringLiteral("Skin file is not valid text"));
    return text;
}

} // namespace

Form1::Form1(Platform &platform, QWidget *parent)
    : QWidget(parent), CommonDialog1(platform), platform_(platform)
{
    buildControls();
}

Form1::~Form1() = default;

ListModel &Form1::entries()
{
    return ListView1->items();
}

ListModel &Form1::results()
{
    return ListView2->items();
}

void Form1::buildControls()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    // A fixed single border: minimize and close, no maximize, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(px(8040), px(8415));
    QFont windowFont(QStringLiteral("Arial"));
    windowFont.setPointSizeF(9);
    windowFont.setBold(true);
    setFont(windowFont);
    setMouseTracking(true);

    auto makeList = [this](const char *name, QRect geometry) {
        auto *list = new ListView(this);
        list->setObjectName(QLatin1String(name));
        list->setGeometry(geometry);
        list->setToolTip(QLatin1String(kListTip));
        watchMouse(list);
        return list;
    };
    QFont buttonFont(QStringLiteral("Arial"));
    buttonFont.setPointSizeF(11.25);
    buttonFont.setBold(true);
    auto makeButton = [this, &buttonFont](int number, const char *caption, QRect geometry) {
        auto *button = new QPushButton(QLatin1String(caption), this);
        button->setObjectName(QStringLiteral("PushButton%1").arg(number));
        button->setGeometry(geometry);
        button->setFont(buttonFont);
        button->setAutoDefault(false);
        watchMouse(button);
        buttons_[size_t(number - 1)] = button;
        return button;
    };

    // Created in tab order.
    ListView1 = makeList("ListView1", twipsRect(120, 120, 7800, 2780));
    PushButton1 = makeButton(1, "Add One Email Address", twipsRect(120, 2990, 3840, 405));
    PushButton4 = makeButton(4, "Load Emails From Text File", twipsRect(4080, 2990, 3840, 405));
    PushButton8 = makeButton(8, "Clear List", twipsRect(120, 3500, 3840, 405));
    PushButton9 = makeButton(9, "Load Sample Emails", twipsRect(4080, 3500, 3840, 405));
    PushButton2 = makeButton(2, "Start Extracting", twipsRect(120, 4010, 7800, 405));
    ListView2 = makeList("ListView2", twipsRect(120, 4515, 7800, 2780));
    PushButton6 = makeButton(6, "Save Results As Text File", twipsRect(120, 7380, 3840, 405));
    PushButton7 = makeButton(7, "Save As Comma Delimited", twipsRect(4080, 7380, 3840, 405));
    PushButton5 = makeButton(5, "Copy Results To Clipboard", twipsRect(120, 7890, 3840, 405));
    PushButton3 = makeButton(3, "Clear List", twipsRect(4080, 7890, 3840, 405));

    QWidget *order[] = {ListView1, PushButton1, PushButton4, PushButton8, PushButton9, PushButton2,
                        ListView2, PushButton6, PushButton7, PushButton5, PushButton3};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    using Handler = void (Form1::*)();
    static constexpr Handler clickHandlers[] = {
        &Form1::PushButton1_Click, &Form1::PushButton2_Click, &Form1::PushButton3_Click,
        &Form1::PushButton4_Click, &Form1::PushButton5_Click, &Form1::PushButton6_Click,
        &Form1::PushButton7_Click, &Form1::PushButton8_Click, &Form1::PushButton9_Click,
    };
    for (int n = 1; n <= 9; ++n)
        connect(button(n), &QPushButton::clicked, this,
                [this, h = clickHandlers[n - 1]] { platform_.RunHandler([this, h] { (this->*h)(); }); });
}

// A control reports moves over every part of it (a list's rows, header and
// scroll bars alike), so each part is tracked and watched.
void Form1::watchMouse(QWidget *control)
{
    control->setMouseTracking(true);
    control->installEventFilter(this);
    for (QWidget *part : control->findChildren<QWidget *>()) {
        part->setMouseTracking(true);
        part->installEventFilter(this);
    }
}

void Form1::Form_Load()
{
    HandlerSteps s(platform_, QStringLiteral("Form_Load"));
    s.step(100, [&] { ApplySkin(); });
    const QString cursorPath = platform_.AppPath() + QDir::separator() + QStringLiteral("HAND-M.CUR");
    if (s.test(104, [&] { return Main::FileExists(cursorPath); })) {
        s.step(106, [&] {
            QPixmap picture;
            if (!picture.load(cursorPath))
                throw RuntimeError(ErrNo::InvalidPicture, QStringLiteral("Invalid picture"));
            // A cursor file knows its hotspot; any other picture points from its centre.
            const std::optional<QPoint> hotSpot = cursorHotSpot(cursorPath);
            mouseIcon_ = hotSpot ? QCursor(picture, hotSpot->x(), hotSpot->y()) : QCursor(picture);
            hasMouseIcon_ = true;
        });
    }
    s.step(108, [&] { Main::OpenHomePageAtRandom(platform_); });
    s.step(126, [&] {
        setWindowTitle(QLatin1String(kDisplayName));
        setWindowIcon(programIcon());
        Main::SetAppTitle(platform_, QLatin1String(kDisplayName));
    });
    s.step(128, [&] { entries().addColumnHeader(QStringLiteral("Email(s)")); });
    s.step(130, [&] { entries().setColumnHeaderWidth(1, 7000); });
    s.step(132, [&] { results().addColumnHeader(QStringLiteral("Domain(s)")); });
    s.step(134, [&] { results().setColumnHeaderWidth(1, 7000); });
}

QIcon Form1::programIcon()
{
    QIcon icon;
    for (const int size : {32, 48, 128, 256})
        icon.addFile(QStringLiteral(":/icons/kestrune-%1.png").arg(size), QSize(size, size));
    return icon;
}

std::optional<QPoint> Form1::cursorHotSpot(const QString &path)
{
    // Directory: reserved 0, type 2 (cursor), image count; then the first
    // entry, whose bytes 4 to 7 hold the hotspot where an icon keeps planes
    // and bit count.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(22);
    if (head.size() < 22)
        return std::nullopt;
    const auto u16 = [&head](int at) { return qFromLittleEndian<quint16>(head.constData() + at); };
    if (u16(0) != 0 || u16(2) != 2 || u16(4) == 0)
        return std::nullopt;
    const int width = quint8(head[6]) == 0 ? 256 : quint8(head[6]);
    const int height = quint8(head[7]) == 0 ? 256 : quint8(head[7]);
    const QPoint hotSpot(u16(10), u16(12));
    if (hotSpot.x() >= width || hotSpot.y() >= height)
        return std::nullopt;
    return hotSpot;
}

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

void Form1::setBackColor(const QColor &colour)
{
    backColor_ = colour;
    update();
}

void Form1::paintEvent(QPaintEvent *)
{
    // The surface colour is the window's alone: painting it here rather than
    // through the palette keeps it from spreading to the lists and buttons.
    // A skin's sheet may still draw its own background over it.
    QPainter p(this);
    p.fillRect(rect(), backColor_);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &p, this);
}

void Form1::registerSave(QSaveFile *file)
{
    savesInProgress_.append(file);
}

void Form1::unregisterSave(QSaveFile *file)
{
    savesInProgress_.removeAll(file);
}

void Form1::Form_Unload()
{
    // Ends at once, mid-run or not. An unfinished save leaves its target as it
    // was: its temporary file goes, nothing is put in place.
    for (QSaveFile *file : std::as_const(savesInProgress_)) {
        file->cancelWriting();
        file->commit();
    }
    savesInProgress_.clear();
    platform_.EndProgram();
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    platform_.RunHandler([this] { Form_Unload(); });
}

// The setting belongs to the window; the controls set no pointer of their own,
// so whatever the window shows, they show too.
void Form1::setMousePointer(int value)
{
    mousePointer_ = value;
    switch (value) {
    case PointerArrow: setCursor(Qt::ArrowCursor); break;
    case PointerHourglass:
        setCursor(Qt::WaitCursor);
        // A header shows its own divider pointer while hovered; that must not
        // outlast the start of busy work.
        for (ListView *list : {ListView1, ListView2}) {
            list->header()->unsetCursor();
            list->header()->viewport()->unsetCursor();
        }
        break;
    case PointerCustom:
        if (hasMouseIcon_)
            setCursor(mouseIcon_);
        else
            setCursor(Qt::ArrowCursor); // no hand file shipped
        break;
    default: unsetCursor(); break;
    }
}

void Form1::Form_MouseMove()
{
    if (mousePointer_ != PointerHourglass)
        setMousePointer(PointerDefault);
}

void Form1::ListView1_MouseMove()
{
    if (mousePointer_ != PointerHourglass)
        setMousePointer(PointerDefault);
}

void Form1::ListView2_MouseMove()
{
    if (mousePointer_ != PointerHourglass)
        setMousePointer(PointerDefault);
}

void Form1::PushButton_MouseMove(int)
{
    if (mousePointer_ != PointerHourglass)
        setMousePointer(PointerCustom);
}

void Form1::PushButton1_MouseMove() { PushButton_MouseMove(1); }
void Form1::PushButton2_MouseMove() { PushButton_MouseMove(2); }
void Form1::PushButton3_MouseMove() { PushButton_MouseMove(3); }
void Form1::PushButton4_MouseMove() { PushButton_MouseMove(4); }
void Form1::PushButton5_MouseMove() { PushButton_MouseMove(5); }
void Form1::PushButton6_MouseMove() { PushButton_MouseMove(6); }
void Form1::PushButton7_MouseMove() { PushButton_MouseMove(7); }
void Form1::PushButton8_MouseMove() { PushButton_MouseMove(8); }
void Form1::PushButton9_MouseMove() { PushButton_MouseMove(9); }

void Form1::mouseMoveEvent(QMouseEvent *event)
{
    // A move that a control ignored climbs up to the window; only moves over
    // the bare surface are the window's own.
    if (!childAt(event->position().toPoint()))
        Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseMove)
        return QWidget::eventFilter(watched, event);
    // The control a part belongs to is the window's child above it.
    auto *control = qobject_cast<QWidget *>(watched);
    while (control && control->parentWidget() != this)
        control = control->parentWidget();
    if (control == ListView1 || control == ListView2) {
        if (control == ListView1)
            ListView1_MouseMove();
        else
            ListView2_MouseMove();
        // While busy, a header must not swap the hourglass for its divider pointer.
        auto *list = static_cast<ListView *>(control);
        if (mousePointer_ == PointerHourglass && watched == list->header()->viewport())
            return true;
        return false;
    }
    using Handler = void (Form1::*)();
    static constexpr Handler buttonHandlers[] = {
        &Form1::PushButton1_MouseMove, &Form1::PushButton2_MouseMove, &Form1::PushButton3_MouseMove,
        &Form1::PushButton4_MouseMove, &Form1::PushButton5_MouseMove, &Form1::PushButton6_MouseMove,
        &Form1::PushButton7_MouseMove, &Form1::PushButton8_MouseMove, &Form1::PushButton9_MouseMove,
    };
    for (int n = 1; n <= 9; ++n)
        if (control == button(n))
            (this->*buttonHandlers[n - 1])();
    return QWidget::eventFilter(watched, event);
}
