#pragma once

#include <QString>
#include <exception>
#include <utility>

class Platform;

// The text of the "Application Error" box: description, CR LF, location,
// "at line N", two bare CRs and the request to mail a screenshot.
QString ErrorReportText(const QString &description, const QString &location, int line);

// "in Kestrune2021/08/31.Form1.<handler> "
QString HandlerLocation(const QString &handlerName);

extern const char *const kSupportAddress;

// Runs one handler's labelled steps under the common error convention. A step
// that throws is reported once in the "Application Error" box with its label,
// and the handler carries on with the step after it. A procedure called from a
// step has no handler of its own, so its errors report the calling step.
//
//   HandlerSteps s(platform, "PushButton2_Click");
//   if (s.test(100, [&] { return IsExtracting; })) return;
//   s.step(102, [&] { IsExtracting = true; });
class HandlerSteps {
public:
    HandlerSteps(Platform &platform, QString handlerName);

    // Returns whether the step completed.
    template <class F>
    bool step(int line, F &&f)
    {
        try {
            std::forward<F>(f)();
            return true;
        } catch (...) {
            report(line, std::current_exception());
            return false;
        }
    }

    // An if-test. A test that fails counts as met, so the guarded branch runs.
    template <class F>
    bool test(int line, F &&condition)
    {
        bool met = true;
        step(line, [&] { met = condition(); });
        return met;
    }

    // A step that yields a value; `fallback` when it fails.
    template <class T, class F>
    T value(int line, F &&f, T fallback)
    {
        T result = std::move(fallback);
        step(line, [&] { result = f(); });
        return result;
    }

    int failures() const { return failures_; }
    // The number of the last reported error, 0 when none.
    int lastErrorNumber() const { return lastNumber_; }
    // Whether a step ran out of memory (error 7). A loop over a list stops
    // there: every further row would fail the same way, a box each.
    bool outOfMemory() const { return outOfMemory_; }

    // For handlers that treat one error number their own way before the box:
    // runs f; an error whose number is `special` is returned instead of reported.
    template <class F>
    int stepUnless(int line, int special, F &&f)
    {
        try {
            std::forward<F>(f)();
            return 0;
        } catch (...) {
            const std::exception_ptr e = std::current_exception();
            if (errorNumber(e) == special)
                return special;
            report(line, e);
            return -1;
        }
    }

private:
    void report(int line, std::exception_ptr error);
    static int errorNumber(std::exception_ptr error);

    Platform &platform_;
    QString location_;
    int failures_ = 0;
    int lastNumber_ = 0;
    bool outOfMemory_ = false;
};
