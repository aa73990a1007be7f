// Typing one entry, clearing the input list and the three sample entries.
#include "gui/shell/window/Form1.h"
#include "core/shell/handlers/HandlerSteps.h"
#include "core/shell/controls/ListModel.h"
#include "core/shell/platform/Platform.h"

#include "core/input/Samples.h"

void Form1::PushButton1_Click()
{
    HandlerSteps s(platform(), QStringLiteral("PushButton1_Click"));
    QString entry;
    s.step(100, [&] { entry = platform().InputBox(QStringLiteral("Enter url or email address to add: ")); });
    if (s.test(102, [&] { return entry.isEmpty(); }))
        return;
    s.step(104, [&] { entries().add(entry); });
}

void Form1::PushButton8_Click()
{
    HandlerSteps s(platform(), QStringLiteral("PushButton8_Click"));
    // Refused while anything is busy, and for the whole of an extraction run:
    // a load or save finishing mid-run takes the hourglass away early.
    s.step(100, [&] {
        if (MousePointer() != PointerHourglass && !IsExtracting)
            entries().clear();
    });
}

void Form1::PushButton9_Click()
{
    HandlerSteps s(platform(), QStringLiteral("PushButton9_Click"));
    s.step(100, [&] { entries().add(QString::fromLatin1(kSampleEntries[0])); });
    s.step(102, [&] { entries().add(QString::fromLatin1(kSampleEntries[1])); });
    s.step(104, [&] { entries().add(QString::fromLatin1(kSampleEntries[2])); });
}
