// Drives the real window offscreen through a whole session on a generated list:
// load the file, start extracting, copy to the clipboard, save as text, save
// comma-delimited, the result list selected whole and copied; then the input
// list emptied and the same lines pasted
// (the clipboard answered with the file's text), emptied and loaded again. Only the dialogs are answered by script; the event loop,
// the time-sliced yielding and the views are the program's own.
//
//   kestrune_bench [--entries N] [--dir DIR] [--compare-awk] [-o FILE]
//
// Prints the processor it runs on, per step the wall time, the longest gap
// between two event-loop turns and the page faults, then the peak memory and the minor page
// faults of the whole run (file made, steps, checks), and checks the saved
// text file against a plain reference implementation of the rule. Runs on
// Linux and on Windows (under Wine too, on the "minimal" platform where no
// other is set).
#include "gui/shell/window/Form1.h"
#include "core/shell/controls/ListModel.h"
#include "gui/shell/controls/ListView.h"
#include "gui/shell/platform/QtPlatform.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#ifdef Q_OS_WIN
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <cpuid.h>
#endif

namespace {

// The real platform with its dialogs and boxes answered by script.
class BenchPlatform : public QtPlatform {
public:
    QStringList fileAnswers;
    QStringList boxes;
    QString clipboardText;

    int MsgBox(const QString &prompt, int buttons, const QString &) override
    {
        boxes << prompt;
        return (buttons & 7) == Msg::YesNo ? Msg::Yes : Msg::Ok;
    }
    QString InputBox(const QString &, const QString &) override { return QString(); }
    bool FileDialog(const FileDialogRequest &, QString *result) override
    {
        if (fileAnswers.isEmpty())
            return false;
        *result = fileAnswers.takeFirst();
        return true;
    }
    void OpenUrl(const QString &) override {}
    QString ClipboardGetText() override { return clipboardText; }
};

// Counts event-loop turns with a zero-interval timer and keeps the longest gap.
class TurnWatch : public QObject {
public:
    TurnWatch()
    {
        timer_.setInterval(0);
        connect(&timer_, &QTimer::timeout, this, [this] {
            const qint64 now = clock_.nsecsElapsed();
            maxGap_ = std::max(maxGap_, now - last_);
            last_ = now;
            ++turns_;
        });
        clock_.start();
        timer_.start();
    }
    void reset()
    {
        QCoreApplication::processEvents();
        last_ = clock_.nsecsElapsed();
        maxGap_ = 0;
        turns_ = 0;
    }
    double maxGapMs()
    {
        maxGap_ = std::max(maxGap_, clock_.nsecsElapsed() - last_);
        return maxGap_ / 1e6;
    }
    long turns() const { return turns_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 maxGap_ = 0;
    long turns_ = 0;
};

// The process's resident memory now and at its peak, in KiB.
struct Memory {
    long nowKb = -1;
    long peakKb = -1;
};

Memory memory()
{
    Memory m;
#ifdef Q_OS_WIN
    PROCESS_MEMORY_COUNTERS counters = {};
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        m.nowKb = long(counters.WorkingSetSize / 1024);
        m.peakKb = long(counters.PeakWorkingSetSize / 1024);
    }
#elif defined(Q_OS_LINUX)
    QFile f(QStringLiteral("/proc/self/status"));
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : f.readAll().split('\n')) {
            const auto value = [&line](const char *field) {
                return line.mid(qsizetype(strlen(field))).trimmed().split(' ').first().toLong();
            };
            if (line.startsWith("VmRSS:"))
                m.nowKb = value("VmRSS:");
            else if (line.startsWith("VmHWM:"))
                m.peakKb = value("VmHWM:");
        }
    }
#endif
    return m;
}

// Pages the process touched for the first time, or found elsewhere in memory:
// each costs the system a fault, some 10 us on a virtual machine.
long minorPageFaults()
{
#ifdef Q_OS_WIN
    // Windows counts soft and hard faults together.
    PROCESS_MEMORY_COUNTERS counters = {};
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? long(counters.PageFaultCount) : -1;
#else
    rusage usage = {};
    return getrusage(RUSAGE_SELF, &usage) == 0 ? long(usage.ru_minflt) : -1;
#endif
}

// The processor, as the system names it (lscpu's model name on Linux), else
// as CPUID does.
QString processorName()
{
#ifdef Q_OS_LINUX
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (info.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : info.readAll().split('\n'))
            if (line.startsWith("model name"))
                return QString::fromUtf8(line.mid(line.indexOf(':') + 1)).simplified();
    }
#elif defined(Q_OS_WIN)
    const QSettings cpu(QStringLiteral("HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0"),
                        QSettings::NativeFormat);
    const QString name = cpu.value(QStringLiteral("ProcessorNameString")).toString().simplified();
    if (!name.isEmpty())
        return name;
#endif
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    unsigned int regs[12] = {};
    if (__get_cpuid_max(0x80000000, nullptr) >= 0x80000004) {
        for (unsigned int i = 0; i < 3; ++i)
            __get_cpuid(0x80000002 + i, &regs[4 * i], &regs[4 * i + 1], &regs[4 * i + 2], &regs[4 * i + 3]);
        return QString::fromLatin1(reinterpret_cast<const char *>(regs), sizeof regs).remove(QChar(0)).simplified();
    }
#endif
    return QSysInfo::currentCpuArchitecture();
}

// Mixed entries: e-mail addresses, web addresses with and without scheme and
// "www.", some empty lines; written to the file a block at a time.
bool generate(qsizetype n, QFile &file)
{
    std::mt19937 rng(20211);
    const char *users[] = {"jordan", "alex.m", "sam_92", "info", "billing", "k.tanaka", "noreply", "ops"};
    const char *hosts[] = {"example.com", "mail.example.org", "shop.example.net", "post.example", "site.example.co"};
    QByteArray out;
    out.reserve(1 << 20);
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned kind = rng() % 20;
        const char *user = users[rng() % 8];
        const char *host = hosts[rng() % 5];
        const unsigned id = rng() % 100000;
        if (kind == 0) {
            // empty line
        } else if (kind < 11) {
            out += user;
            out += '@';
            out += QByteArray::number(id) + '.' + host;
        } else if (kind < 14) {
            out += "https://www." + QByteArray::number(id) + '.' + host + "/";
        } else if (kind < 17) {
            out += "http://" + QByteArray::number(id) + '.' + host + "/p?q";
        } else {
            out += "www." + QByteArray::number(id) + '.' + host;
        }
        out += "\r\n";
        if (out.size() >= (1 << 20) - 256) {
            if (file.write(out) != out.size())
                return false;
            out.resize(0);
        }
    }
    return file.write(out) == out.size();
}

QByteArray readAllOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A plain, independent statement of the rule.
std::string referenceDomain(const std::string &e)
{
    const size_t at = e.find('@');
    if (at != std::string::npos) {
        const size_t next = e.find('@', at + 1);
        return e.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
    }
    std::string s = e;
    for (const std::string cut : {"https://", "http://", "www."}) {
        std::string r;
        size_t from = 0, hit;
        while ((hit = s.find(cut, from)) != std::string::npos) {
            r += s.substr(from, hit - from);
            from = hit + cut.size();
        }
        r += s.substr(from);
        s = r;
    }
    return s;
}

// Whether the output file holds the reference domain of every line of the
// input, each ended by CR LF: read a line at a time, so that the check
// touches no more memory than the lines.
bool matchesReference(const QString &input, const QString &output)
{
    QFile in(input);
    QFile out(output);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::ReadOnly))
        return false;
    char entry[4096];
    char domain[4096];
    for (;;) {
        const qint64 n = in.readLine(entry, sizeof entry);
        if (n <= 0)
            return out.readLine(domain, sizeof domain) <= 0;
        const std::string want = referenceDomain(std::string(entry, size_t(n >= 2 ? n - 2 : 0))) + "\r\n";
        const qint64 m = out.readLine(domain, sizeof domain);
        if (m != qint64(want.size()) || std::memcmp(domain, want.data(), want.size()) != 0)
            return false;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // Off screen; Windows' Qt has no such plugin, but a minimal one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
#ifdef Q_OS_WIN
        qputenv("QT_QPA_PLATFORM", "minimal");
#else
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QApplication app(argc, argv);
    QCommandLineParser cli;
    cli.addOption({QStringLiteral("entries"), QStringLiteral("Number of entries."), QStringLiteral("N"),
                   QStringLiteral("1000000")});
    cli.addOption({QStringLiteral("dir"), QStringLiteral("Folder for the files."), QStringLiteral("DIR")});
    cli.addOption({QStringLiteral("compare-awk"), QStringLiteral("Time mawk (or awk) on the same rule.")});
    cli.addOption({QStringLiteral("fill"), QStringLiteral("Fill the input list directly instead of loading the file.")});
    // Under Wine a console program's output reaches no pipe; a file it does.
    cli.addOption({QStringLiteral("o"), QStringLiteral("Write the report to FILE (also as FILE,txt)."),
                   QStringLiteral("FILE")});
    cli.addHelpOption();
    cli.process(app);
    if (cli.isSet(QStringLiteral("o"))) {
        QString report = cli.value(QStringLiteral("o"));
        if (report.endsWith(QLatin1String(",txt")))
            report.chop(4);
        if (!std::freopen(QFile::encodeName(report).constData(), "w", stdout))
            qFatal("cannot write %s", qPrintable(report));
    }

    const qsizetype n = cli.value(QStringLiteral("entries")).toLongLong();
    QTemporaryDir tmp;
    const QString dir = cli.isSet(QStringLiteral("dir")) ? cli.value(QStringLiteral("dir")) : tmp.path();
    const QString input = dir + QStringLiteral("/entries.txt");
    const QString textOut = dir + QStringLiteral("/domains.txt");
    const QString commaOut = dir + QStringLiteral("/domains.csv");
    QFile::remove(textOut);
    QFile::remove(commaOut);
    {
        QFile f(input);
        if (!f.open(QIODevice::WriteOnly) || !generate(n, f))
            qFatal("cannot write %s", qPrintable(input));
    }
    const long baseKb = memory().nowKb;

    BenchPlatform platform;
    Form1 window(platform);
    platform.setWindow(&window);
    window.Form_Load();
    window.show();
    QCoreApplication::processEvents();
    TurnWatch watch;

    struct Step {
        const char *name;
        std::function<void()> run;
        QString answer;
        double ms = 0, gapMs = 0;
    };
    const auto press = [](QPushButton *button) { return [button] { button->click(); }; };
    // The paste and the second load start from emptied lists, so that the
    // storage given back is there for the next rows of each: they compare on
    // equal terms. (The results keep the entries' bytes they share alive, so
    // with results still there the paste would take memory the second load
    // does not.)
    const auto emptied = [&window](std::function<void()> then) {
        return [&window, then] {
            window.results().clear();
            window.PushButton8->click();
            then();
        };
    };
    Step steps[] = {
        {"load", press(window.PushButton4), input},
        {"extract", press(window.PushButton2), QString()},
        {"copy", press(window.PushButton5), QString()},
        // Ctrl+A then Ctrl+C on the result list.
        {"copy rows", [&window] {
             window.ListView2->selectAll();
             window.mnuResultsCopy->trigger();
         }, QString()},
        {"save text", press(window.PushButton6), textOut},
        {"save comma", press(window.PushButton7), commaOut},
        {"paste", emptied([&window] { window.mnuEntriesPaste->trigger(); }), QString()},
        {"load again", emptied(press(window.PushButton4)), input},
    };
    std::printf("processor: %s (%s)\n", qPrintable(processorName()), qPrintable(QSysInfo::prettyProductName()));
    std::printf("entries: %lld (%.1f MB file)\n", (long long)n, QFileInfo(input).size() / 1e6);
    std::printf("%-12s %10s %14s %14s %12s\n", "step", "wall ms", "max gap ms", "peak MB so far", "page faults");
    double loadExtractSave = 0;
    if (cli.isSet(QStringLiteral("fill"))) {
        QFile f(input);
        f.open(QIODevice::ReadOnly);
        const QByteArray all = f.readAll();
        for (qsizetype from = 0, end; from < all.size(); from = end + 2) {
            end = all.indexOf("\r\n", from);
            window.entries().addUtf8(QByteArrayView(all).sliced(from, end - from));
        }
        QCoreApplication::processEvents();
    }
    bool pastedWhole = true;
    for (Step &s : steps) {
        const std::string name = s.name;
        if (cli.isSet(QStringLiteral("fill")) && name == "load")
            continue;
        if (!s.answer.isEmpty())
            platform.fileAnswers = {s.answer};
        if (name == "paste") {
            // The clipboard's text as Qt hands it over: UTF-16, made before the clock starts.
            QFile f(input);
            if (f.open(QIODevice::ReadOnly))
                platform.clipboardText = QString::fromUtf8(f.readAll());
        }
        watch.reset();
        const long faultsBefore = minorPageFaults();
        QElapsedTimer t;
        t.start();
        s.run();
        s.ms = t.nsecsElapsed() / 1e6;
        s.gapMs = watch.maxGapMs();
        const long faults = minorPageFaults() - faultsBefore;
        QCoreApplication::processEvents(); // the last batch reaches the view
        std::printf("%-12s %10.1f %14.1f %14.1f %12ld\n", s.name, s.ms, s.gapMs, memory().peakKb / 1024.0, faults);
        if (name == "load" || name == "extract" || name == "save text")
            loadExtractSave += s.ms;
        if (name == "paste") {
            platform.clipboardText = QString();
            // Every line of the file, in order (it ends in CR LF: no empty last
            // entry), compared as stored bytes so that the check leaves the
            // memory of the next step alone.
            const QByteArray all = readAllOf(input);
            qsizetype row = 0;
            for (qsizetype from = 0, end; pastedWhole && from < all.size(); from = end + 2) {
                end = all.indexOf("\r\n", from);
                pastedWhole = ++row <= window.entries().count()
                              && window.entries().textBytes(row) == QByteArrayView(all).sliced(from, end - from);
            }
            pastedWhole = pastedWhole && row == window.entries().count();
        }
    }
    const long peakKb = memory().peakKb;
    std::printf("entries in list: %lld, results: %lld\n", (long long)window.entries().count(),
                (long long)window.results().count());
    std::printf("list storage: input %.1f MB, results %.1f MB\n", window.entries().allocatedBytes() / 1e6,
                window.results().allocatedBytes() / 1e6);
    // Peak of the whole run, both lists full.
    std::printf("peak memory: %.1f MB (at start-up %.1f MB), %.2f times the file\n", peakKb / 1024.0, baseKb / 1024.0,
                peakKb * 1024.0 / double(std::max<qint64>(QFileInfo(input).size(), 1)));
    std::printf("load + extract + save as text: %.1f ms\n", loadExtractSave);
    std::printf("copy rows / copy: %.2f\n", steps[3].ms / steps[2].ms);
    std::printf("paste / load again: %.2f; pasted lines whole and in order: %s\n", steps[6].ms / steps[7].ms,
                pastedWhole ? "yes" : "NO");
    std::printf("boxes: %s\n", qPrintable(platform.boxes.join(QStringLiteral(" | ")).replace(QLatin1Char('\r'), QLatin1Char(' '))));

    const bool ok = matchesReference(input, textOut);
    std::printf("saved text file matches the reference: %s\n", ok ? "yes" : "NO");

    if (cli.isSet(QStringLiteral("compare-awk"))) {
        QString awk = QStandardPaths::findExecutable(QStringLiteral("mawk"));
        if (awk.isEmpty())
            awk = QStandardPaths::findExecutable(QStringLiteral("awk"));
        const QString program = QStringLiteral(
            "BEGIN{RS=\"\\r\\n\";ORS=\"\\r\\n\"}"
            "{ if (index($0,\"@\")) { split($0,p,\"@\"); print p[2] }"
            "  else { s=$0; gsub(/https:\\/\\//,\"\",s); gsub(/http:\\/\\//,\"\",s); gsub(/www\\./,\"\",s); print s } }");
        if (awk.isEmpty()) {
            std::printf("no mawk or awk here to compare with\n");
        } else {
            QProcess p;
            p.setStandardOutputFile(dir + QStringLiteral("/awk.txt"));
            QElapsedTimer t;
            t.start();
            p.start(awk, {program, input});
            p.waitForFinished(-1);
            const double awkMs = t.nsecsElapsed() / 1e6;
            std::printf("%s: %.1f ms (output %s the reference)\n", qPrintable(QFileInfo(awk).fileName()), awkMs,
                        matchesReference(input, dir + QStringLiteral("/awk.txt")) ? "matches" : "differs from");
            std::printf("ratio window / awk: %.2f\n", loadExtractSave / awkMs);
        }
    }
    const long faults = minorPageFaults();
    // Wine counts none.
    std::printf("minor page faults, whole run: %ld%s\n", faults, faults > 0 ? "" : " (not counted by this system)");
    std::fflush(stdout);
    // _Exit runs no destructor: the files (about 100 MB a million entries)
    // would stay behind, and their pages still waiting for the disk would
    // slow the next run's saves.
    tmp.remove();
    // The window's own shutdown is the program's end; skip tearing down a million rows.
    std::_Exit(ok && pastedWhole ? 0 : 1);
}
