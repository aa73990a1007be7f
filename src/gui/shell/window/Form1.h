#pragma once

#include "core/shell/controls/CommonDialog.h"

#include <QColor>
#include <QCursor>
#include <QList>
#include <QPoint>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <utility>

class HandlerSteps;
class ListModel;
class ListView;
class Platform;
class QAction;
class QIcon;
class QPushButton;

namespace Main {
struct DropData;
}

// The main window: the input list, its four buttons, "Start Extracting", the
// result list and its four buttons. Each click handler is a short sequence of
// labelled steps run under HandlerSteps; the handlers are defined beside the
// part of the program they belong to (src/input, src/extract, src/output).
class Form1 : public QWidget {
    Q_OBJECT
    // Read by the focus ring, which must stand out from the surface it is drawn on.
    Q_PROPERTY(QColor BackColor READ BackColor)
public:
    explicit Form1(Platform &platform, QWidget *parent = nullptr);
    ~Form1() override;

    // Window pointer setting: 0 default, 1 arrow, 11 hourglass, 99 the hand.
    // The hourglass doubles as the program's busy marker.
    static constexpr int PointerDefault = 0;
    static constexpr int PointerArrow = 1;
    static constexpr int PointerHourglass = 11;
    static constexpr int PointerCustom = 99;
    int MousePointer() const { return mousePointer_; }
    void setMousePointer(int value);
    bool hasMouseIcon() const { return hasMouseIcon_; }
    QCursor mouseIcon() const { return mouseIcon_; }
    // A pointer picture as a screen with `scale` device pixels a pixel shows
    // it, where the platform shows a picture's device pixels as they are
    // (scaleHere: Qt's X11 platform does; Windows and Wayland scale it
    // themselves): the picture and its hotspot scaled.
    static QCursor cursorForScale(const QCursor &picture, qreal scale, bool scaleHere);

    // The colour of the window's own surface: white, or the button face once
    // a skin is present; under high contrast (highContrastInEffect) the
    // system's window colour, and no skin. The controls keep their own colours.
    QColor BackColor() const { return backColor_; }
    void setBackColor(const QColor &colour);

    // The program icon in all its sizes (32, 48, 128 and 256 pixels).
    static QIcon programIcon();
    // The hotspot stored in a Windows cursor file; none for other pictures.
    static std::optional<QPoint> cursorHotSpot(const QString &path);
    // A skin counts only as a normal file: not a folder, not hidden, not a
    // device, pipe or dangling link (what a listing of normal files shows).
    static bool isNormalFile(const QString &path);
    // Whether Qt can parse the text as a style sheet.
    static bool styleSheetParses(const QString &sheet);

    // Start-up and shutdown.
    void Form_Load();
    void Form_Unload();

    // Click handlers.
    void PushButton1_Click(); // Add One Email Address
    void PushButton2_Click(); // Start Extracting
    void PushButton3_Click(); // Clear List (results)
    void PushButton4_Click(); // Load Emails From Text File
    void PushButton5_Click(); // Copy Results To Clipboard
    void PushButton6_Click(); // Save Results As Text File
    void PushButton7_Click(); // Save As Comma Delimited
    void PushButton8_Click(); // Clear List (entries)
    void PushButton9_Click(); // Load Sample Emails

    // The lists' context menus, each item with its keys: "Paste" (Ctrl+V,
    // Shift+Insert) and "Copy" (Ctrl+C) on the input list, "Copy" on the
    // result list. Not among the nine buttons: they change nothing a button does.
    void mnuEntriesPaste_Click();
    void mnuEntriesCopy_Click();
    void mnuResultsCopy_Click();
    // Files or text dropped onto the input list, or elsewhere on the window.
    void ListView1_OLEDragDrop(const Main::DropData &data);
    void Form_OLEDragDrop(const Main::DropData &data);

    // Mouse-move handlers: the hand over buttons, the normal pointer elsewhere,
    // the hourglass left alone.
    void Form_MouseMove();
    void ListView1_MouseMove();
    void ListView2_MouseMove();
    void PushButton1_MouseMove();
    void PushButton2_MouseMove();
    void PushButton3_MouseMove();
    void PushButton4_MouseMove();
    void PushButton5_MouseMove();
    void PushButton6_MouseMove();
    void PushButton7_MouseMove();
    void PushButton8_MouseMove();
    void PushButton9_MouseMove();
    // The nine button handlers are alike; this is their common body.
    void PushButton_MouseMove(int number);

    ListView *ListView1;
    ListView *ListView2;
    QPushButton *PushButton1;
    QPushButton *PushButton2;
    QPushButton *PushButton3;
    QPushButton *PushButton4;
    QPushButton *PushButton5;
    QPushButton *PushButton6;
    QPushButton *PushButton7;
    QPushButton *PushButton8;
    QPushButton *PushButton9;
    CommonDialog CommonDialog1;
    QAction *mnuEntriesPaste;
    QAction *mnuEntriesCopy;
    QAction *mnuResultsCopy;

    // True while "Start Extracting" runs.
    bool IsExtracting = false;
    // True while pasted or dropped lines go into the input list.
    bool IsPasting = false;

    Platform &platform() { return platform_; }
    ListModel &entries();
    ListModel &results();

    // A save in progress registers how to drop what it wrote, so that ending
    // the program mid-save leaves the old file alone.
    void registerSave(const void *save, std::function<void()> abandon);
    void unregisterSave(const void *save);

    // The button with the given number (1 to 9).
    QPushButton *button(int number) const { return buttons_[size_t(number - 1)]; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildControls();
    void buildListCommands();
    // The steps of both drop handlers.
    void dropped(HandlerSteps &s, const Main::DropData &data);
    void watchMouse(QWidget *control);
    void ApplySkin();

    Platform &platform_;
    std::array<QPushButton *, 9> buttons_{};
    int mousePointer_ = PointerDefault;
    QCursor mouseIcon_;
    bool hasMouseIcon_ = false;
    // The hand as last shown, and the scale it was made for.
    QCursor shownHand_;
    qreal shownHandScale_ = 0;
    QColor backColor_ = Qt::white;
    bool dragTaken_ = false;
    bool skinned_ = false;
    QList<std::pair<const void *, std::function<void()>>> savesInProgress_;
};
