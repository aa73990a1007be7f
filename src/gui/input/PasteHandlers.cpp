// Pasting into the input list, and files and text dropped onto the window.
#include "gui/shell/window/Form1.h"
#include "core/shell/handlers/HandlerSteps.h"
#include "core/shell/platform/Platform.h"

#include "core/input/DropData.h"
#include "core/input/LoadList.h"
#include "core/input/PasteList.h"
#include "gui/shell/controls/ListView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

namespace {

// While pasted or dropped lines go in, events run: a second paste or drop
// arriving then is ignored, as a second click on "Start Extracting" is.
class Pasting {
public:
    explicit Pasting(Form1 &form) : form_(form) { form_.IsPasting = true; }
    ~Pasting() { form_.IsPasting = false; }
    Pasting(const Pasting &) = delete;
    Pasting &operator=(const Pasting &) = delete;

private:
    Form1 &form_;
};

// Taken only as a copy: a source offering to move would delete its file or
// its text once the drop is taken.
bool takesDrop(const QDropEvent &event)
{
    return (event.possibleActions() & Qt::CopyAction)
           && Main::ReadDropData(*event.mimeData()).kind != Main::DropData::Kind::Refused;
}

} // namespace

void Form1::mnuEntriesPaste_Click()
{
    HandlerSteps s(platform(), QStringLiteral("mnuEntriesPaste_Click"));
    if (s.test(100, [&] { return IsPasting; }))
        return;
    const Pasting pasting(*this);
    // Up before the clipboard is read: tens of megabytes take a moment to
    // come over from the program that holds them.
    s.step(102, [&] { setMousePointer(PointerHourglass); });
    QString text;
    s.step(104, [&] { text = platform().ClipboardGetText(); });
    // An empty clipboard, or one without text, changes nothing.
    if (s.test(106, [&] { return !text.isEmpty(); }))
        s.step(108, [&] { Main::AppendPastedText(platform(), entries(), text); });
    s.step(110, [&] { setMousePointer(PointerDefault); });
}

void Form1::ListView1_OLEDragDrop(const Main::DropData &data)
{
    HandlerSteps s(platform(), QStringLiteral("ListView1_OLEDragDrop"));
    dropped(s, data);
}

void Form1::Form_OLEDragDrop(const Main::DropData &data)
{
    HandlerSteps s(platform(), QStringLiteral("Form_OLEDragDrop"));
    dropped(s, data);
}

void Form1::dropped(HandlerSteps &s, const Main::DropData &data)
{
    if (s.test(100, [&] { return IsPasting; }))
        return;
    const Pasting pasting(*this);
    s.step(102, [&] { setMousePointer(PointerHourglass); });
    if (s.test(104, [&] { return data.kind == Main::DropData::Kind::Files; })) {
        // As if picked together in the load dialog, in the order given; a
        // file that fails is reported and the next one loads. The dialog's
        // name buffer has no part in a drop: any number of files load.
        for (const QString &path : data.paths)
            s.step(106, [&] { Main::LoadListFile(platform(), entries(), path); });
    } else {
        s.step(108, [&] { Main::AppendPastedText(platform(), entries(), data.text); });
    }
    s.step(110, [&] { setMousePointer(PointerDefault); });
}

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    // Folders and whatever is neither files nor text show the "no drop" pointer.
    dragTaken_ = takesDrop(*event);
    dragMoveEvent(event);
}

void Form1::dragMoveEvent(QDragMoveEvent *event)
{
    // The whole window takes what it took on entering.
    if (!dragTaken_) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void Form1::dropEvent(QDropEvent *event)
{
    dragTaken_ = false;
    if (!takesDrop(*event)) {
        event->ignore();
        return;
    }
    Main::DropData data = Main::ReadDropData(*event->mimeData());
    event->setDropAction(Qt::CopyAction);
    event->accept();
    const QWidget *under = childAt(event->position().toPoint());
    const bool onEntries = under && (under == ListView1 || ListView1->isAncestorOf(under));
    // The source waits until the drop is taken (a file manager stays busy
    // meanwhile): the files load once it has been told, from the event loop.
    QMetaObject::invokeMethod(
        this,
        [this, data = std::move(data), onEntries] {
            platform().RunHandler([&] {
                if (onEntries)
                    ListView1_OLEDragDrop(data);
                else
                    Form_OLEDragDrop(data);
            });
        },
        Qt::QueuedConnection);
}
