#include "Form1.h"

#include "HandlerSteps.h"
#include "ListView.h"
#include "Platform.h"
#include "RuntimeError.h"
#include "Startup.h"

#include <QCloseEvent>
#include <QDir>
#include <QIcon>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QSaveFile>

namespace {

int px(int twips)
{
    return (twips + 7) / 15; // 15 twips to the pixel at 96 dpi, rounded
}

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

const char *const kListTip =
    "Double-click item to remove it. Move | line to right and out of window to reveal full names.";

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
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(px(8040), px(8415));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
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
        list->setMouseTracking(true);
        list->viewport()->setMouseTracking(true);
        list->viewport()->installEventFilter(this);
        list->installEventFilter(this);
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
        button->setMouseTracking(true);
        button->setAutoDefault(false);
        button->installEventFilter(this);
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

    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);
    connect(PushButton9, &QPushButton::clicked, this, &Form1::PushButton9_Click);
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
            // The fingertip of our hand sits a quarter in from the left edge.
            mouseIcon_ = QCursor(picture, picture.width() / 4, 0);
            hasMouseIcon_ = true;
        });
    }
    s.step(108, [&] { Main::OpenHomePageAtRandom(platform_); });
    s.step(126, [&] {
        setWindowTitle(QLatin1String(kDisplayName));
        setWindowIcon(QIcon(QStringLiteral(":/icons/kestrune.png")));
        Main::SetAppTitle(platform_, QLatin1String(kDisplayName));
    });
    s.step(128, [&] { entries().addColumnHeader(QStringLiteral("Email(s)")); });
    s.step(130, [&] { entries().setColumnHeaderWidth(1, 7000); });
    s.step(132, [&] { results().addColumnHeader(QStringLiteral("Domain(s)")); });
    s.step(134, [&] { results().setColumnHeaderWidth(1, 7000); });
}

void Form1::ApplySkin()
{
    const QString skinPath = platform_.AppPath() + QDir::separator() + QStringLiteral("x") + QDir::separator()
        + QStringLiteral("o.cjs");
    const QFileInfo skin(skinPath);
    if (!skin.isFile() || skin.isHidden())
        return;
    // The theming itself lands with the window's look.
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
    Form_Unload();
}

void Form1::setMousePointer(int value)
{
    mousePointer_ = value;
    switch (value) {
    case PointerArrow: setCursor(Qt::ArrowCursor); break;
    case PointerHourglass: setCursor(Qt::WaitCursor); break;
    case PointerCustom:
        if (hasMouseIcon_)
            setCursor(mouseIcon_);
        else
            setCursor(Qt::ArrowCursor);
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

void Form1::mouseMoveEvent(QMouseEvent *event)
{
    Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        if (watched == ListView1 || watched == ListView1->viewport())
            ListView1_MouseMove();
        else if (watched == ListView2 || watched == ListView2->viewport())
            ListView2_MouseMove();
        else
            for (int n = 1; n <= 9; ++n)
                if (watched == button(n))
                    PushButton_MouseMove(n);
    }
    return QWidget::eventFilter(watched, event);
}
