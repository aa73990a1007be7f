#include "core/shell/handlers/HandlerSteps.h"

#include "core/shell/platform/Platform.h"
#include "core/shell/platform/RuntimeError.h"

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

HandlerSteps::HandlerSteps(Platform &platform, QString handlerName)
    : platform_(platform), location_(HandlerLocation(handlerName))
{
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
    platform_.MsgBox(ErrorReportText(d.description, location_, line), Msg::OkOnly | Msg::Exclamation,
                     QStringLiteral("Application Error"));
}
