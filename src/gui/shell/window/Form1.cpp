// The main window: its layout, its controls and their connections. Start-up,
// the skin, the cursor file, the pointer feedback and the exit each have a
// file of their own beside this one; the click handlers live with the part of
// the program they belong to (src/input, src/extract, src/output).
#include "gui/shell/window/Form1.h"

#include "gui/shell/controls/FocusMark.h"
#include "gui/shell/controls/ListView.h"
#include "core/shell/controls/ListModel.h"
#include "core/shell/handlers/MemoryCheck.h"
#include "core/shell/platform/Platform.h"
#include "gui/shell/controls/Twips.h"
#include "gui/shell/platform/SystemColours.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>

namespace {

constexpr auto px = TwipsToPixels;

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

const char *const kListTip =
    "Double-click item to remove it. Move | line to right and out of window to reveal full names.";

// Enter and keypad Enter press the focused button, as Space does; a plain
// QPushButton outside a dialog leaves them unhandled. The focused button wears
// a ring that stands out from its face and the window, over whatever the
// style or a skin draws; unfocused, it looks as they draw it.
class PushButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPushButton::paintEvent(event);
        if (hasFocus()) {
            QPainter p(this);
            drawFocusMark(p, rect(), this);
        }
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()
            && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            click();
            return;
        }
        QPushButton::keyPressEvent(event);
    }
};

// A top-level widget other than a dialog otherwise reads as an unnamed pane;
// the window reads as a frame named by its caption.
QAccessibleInterface *windowAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String(Form1::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

Form1::Form1(Platform &platform, QWidget *parent)
    : QWidget(parent), CommonDialog1(platform), platform_(platform)
{
    static const bool accessible = [] {
        QAccessible::installFactory(windowAccessible);
        return true;
    }();
    Q_UNUSED(accessible);
    buildControls();
    buildListCommands();
    // Both lists ask before they take more memory: a list that outgrows what
    // is left fails with error 7 where the system would end the program.
    const auto budget = std::make_shared<Main::MemoryBudget>(platform_);
    const auto check = [budget](qint64 bytes) { budget->ensure(bytes); };
    entries().setMemoryCheck(check);
    results().setMemoryCheck(check);
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
    followSystemColours();
    if (highContrastInEffect())
        backColor_ = QApplication::palette().color(QPalette::Active, QPalette::Window);
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
        auto *button = new PushButton(QLatin1String(caption), this);
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

    // The two "Clear List" buttons read alike; a screen reader tells them apart
    // by the list each empties, named as the list itself reads.
    PushButton8->setAccessibleDescription(QStringLiteral("Clears the Email(s) list"));
    PushButton3->setAccessibleDescription(QStringLiteral("Clears the Domain(s) list"));

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

void Form1::setBackColor(const QColor &colour)
{
    backColor_ = colour;
    update();
}

void Form1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // High contrast switched on or off while the program runs: the surface
    // follows, unless a skin has taken it over.
    if (event->type() == QEvent::ApplicationPaletteChange && !skinned_) {
        followSystemColours();
        backColor_ = highContrastInEffect() ? QApplication::palette().color(QPalette::Active, QPalette::Window)
                                            : QColor(Qt::white);
        update();
    }
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
