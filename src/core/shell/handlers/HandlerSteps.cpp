#include "core/shell/handlers/HandlerSteps.h"

#include "core/shell/platform/Platform.h"
#include "core/shell/platform/RuntimeError.h"

#include <cstdlib>
#include <new>

const char *const kSupportAddress = "bugs@kestrune.example";

QString HandlerLocation(const QString &handlerName)
{
    return QStringLiteral("in Kestrune2021/08/31.Form1.") + handlerName + QLatin1Char(' ');
}

QString ErrorReportText(const QString &description, const QString &location, int line)
{
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") + QString::number(line)
        + QStringLiteral("\r\rPlease email screenshot of this message to ") + QLatin1String(kSupportAddress);
}

namespace {

// Memory set aside for the box that says memory ran out: where none is left,
// it is given back just before that box, and taken again after it.
class Reserve {
public:
    void take()
    {
        if (!held_)
            held_ = std::malloc(kBytes);
    }
    void give()
    {
        std::free(held_);
        held_ = nullptr;
    }

private:
    static constexpr size_t kBytes = size_t(8) << 20;
    void *held_ = nullptr;
};

Reserve &reserve()
{
    static Reserve r;
    return r;
}

} // namespace

HandlerSteps::HandlerSteps(Platform &platform, QString handlerName)
    : platform_(platform), location_(HandlerLocation(handlerName))
{
    reserve().take();
}

namespace {
struct Described {
    int number;
    QString description;
};

Described describe(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const RuntimeError &e) {
        return {e.number(), e.description()};
    } catch (const std::bad_alloc &) {
        const RuntimeError e = OutOfMemory();
        return {e.number(), e.description()};
    } catch (const std::exception &e) {
        return {ErrNo::Internal, QStringLiteral("Internal error: ") + QString::fromUtf8(e.what())};
    }
    // ProgramEnded and anything foreign propagate.
}
} // namespace

int HandlerSteps::errorNumber(std::exception_ptr error)
{
    return describe(error).number;
}

void HandlerSteps::report(int line, std::exception_ptr error)
{
    const Described d = describe(error);
    ++failures_;
    lastNumber_ = d.number;
    const bool memory = d.number == ErrNo::OutOfMemory;
    outOfMemory_ = outOfMemory_ || memory;
    if (memory)
        reserve().give();
    try {
        platform_.MsgBox(ErrorReportText(d.description, location_, line), Msg::OkOnly | Msg::Exclamation,
                         QStringLiteral("Application Error"));
    } catch (const std::bad_alloc &) {
        // Not even the box found memory: the error goes unshown rather than
        // through the toolkit's frames, which would end the program.
    }
    reserve().take();
}
