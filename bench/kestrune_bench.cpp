// Drives the real window offscreen through a whole session on a generated list:
// load the file, start extracting, copy to the clipboard, save as text, save
// comma-delimited. Only the dialogs are answered by script; the event loop,
// the time-sliced yielding and the views are the program's own.
//
//   kestrune_bench [--entries N] [--dir DIR] [--compare-awk]
//
// Prints per step the wall time and the longest gap between two event-loop
// turns, then the peak memory, and checks the saved text file against a plain
// reference implementation of the rule.
#include "shell/window/Form1.h"
#include "shell/controls/ListModel.h"
#include "shell/platform/QtPlatform.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <random>
#include <string>

namespace {

// The real platform with its dialogs and boxes answered by script.
class BenchPlatform : public QtPlatform {
public:
    QStringList fileAnswers;
    QStringList boxes;

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

long statusKb(const char *field)
{
#ifdef Q_OS_LINUX
    QFile f(QStringLiteral("/proc/self/status"));
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray &line : f.readAll().split('\n'))
            if (line.startsWith(field))
                return line.mid(qsizetype(strlen(field))).trimmed().split(' ').first().toLong();
#else
    Q_UNUSED(field);
#endif
    return -1;
}

// Mixed entries: e-mail addresses, web addresses with and without scheme and
// "www.", some empty lines.
QByteArray generate(qsizetype n)
{
    std::mt19937 rng(20211);
    const char *users[] = {"jordan", "alex.m", "sam_92", "info", "billing", "k.tanaka", "noreply", "ops"};
    const char *hosts[] = {"example.com", "mail.example.org", "shop.example.net", "post.example", "site.example.co"};
    QByteArray out;
    out.reserve(n * 28);
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
    }
    return out;
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

QByteArray referenceOutput(const QByteArray &input)
{
    QByteArray out;
    out.reserve(input.size());
    qsizetype from = 0;
    while (from < input.size()) {
        const qsizetype end = input.indexOf("\r\n", from);
        const std::string line = input.mid(from, end - from).toStdString();
        out += QByteArray::fromStdString(referenceDomain(line)) + "\r\n";
        from = end + 2;
    }
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser cli;
    cli.addOption({QStringLiteral("entries"), QStringLiteral("Number of entries."), QStringLiteral("N"),
                   QStringLiteral("1000000")});
    cli.addOption({QStringLiteral("dir"), QStringLiteral("Folder for the files."), QStringLiteral("DIR")});
    cli.addOption({QStringLiteral("compare-awk"), QStringLiteral("Time mawk (or awk) on the same rule.")});
    cli.addOption({QStringLiteral("fill"), QStringLiteral("Fill the input list directly instead of loading the file.")});
    cli.addHelpOption();
    cli.process(app);

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
        if (!f.open(QIODevice::WriteOnly) || f.write(generate(n)) < 0)
            qFatal("cannot write %s", qPrintable(input));
    }
    const long baseKb = statusKb("VmRSS:");

    BenchPlatform platform;
    Form1 window(platform);
    platform.setWindow(&window);
    window.Form_Load();
    window.show();
    QCoreApplication::processEvents();
    TurnWatch watch;

    struct Step {
        const char *name;
        QPushButton *button;
        QString answer;
        double ms = 0, gapMs = 0;
    };
    Step steps[] = {
        {"load", window.PushButton4, input},
        {"extract", window.PushButton2, QString()},
        {"copy", window.PushButton5, QString()},
        {"save text", window.PushButton6, textOut},
        {"save comma", window.PushButton7, commaOut},
    };
    std::printf("entries: %lld (%.1f MB file)\n", (long long)n, QFileInfo(input).size() / 1e6);
    std::printf("%-12s %10s %14s %14s\n", "step", "wall ms", "max gap ms", "peak MB so far");
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
    for (Step &s : steps) {
        if (cli.isSet(QStringLiteral("fill")) && s.button == window.PushButton4)
            continue;
        if (!s.answer.isEmpty())
            platform.fileAnswers = {s.answer};
        watch.reset();
        QElapsedTimer t;
        t.start();
        s.button->click();
        s.ms = t.nsecsElapsed() / 1e6;
        s.gapMs = watch.maxGapMs();
        QCoreApplication::processEvents(); // the last batch reaches the view
        std::printf("%-12s %10.1f %14.1f %14.1f\n", s.name, s.ms, s.gapMs, statusKb("VmHWM:") / 1024.0);
        if (std::string(s.name) != "copy" && std::string(s.name) != "save comma")
            loadExtractSave += s.ms;
    }
    const long peakKb = statusKb("VmHWM:");
    std::printf("entries in list: %lld, results: %lld\n", (long long)window.entries().count(),
                (long long)window.results().count());
    std::printf("list storage: input %.1f MB, results %.1f MB\n", window.entries().allocatedBytes() / 1e6,
                window.results().allocatedBytes() / 1e6);
    // Peak of the whole run, both lists full.
    std::printf("peak memory: %.1f MB (at start-up %.1f MB)\n", peakKb / 1024.0, baseKb / 1024.0);
    std::printf("load + extract + save as text: %.1f ms\n", loadExtractSave);
    std::printf("boxes: %s\n", qPrintable(platform.boxes.join(QStringLiteral(" | ")).replace(QLatin1Char('\r'), QLatin1Char(' '))));

    QFile in(input), saved(textOut);
    bool ok = in.open(QIODevice::ReadOnly) && saved.open(QIODevice::ReadOnly);
    const QByteArray want = referenceOutput(in.readAll());
    ok = ok && saved.readAll() == want;
    std::printf("saved text file matches the reference: %s\n", ok ? "yes" : "NO");

    if (cli.isSet(QStringLiteral("compare-awk"))) {
        QString awk = QStandardPaths::findExecutable(QStringLiteral("mawk"));
        if (awk.isEmpty())
            awk = QStandardPaths::findExecutable(QStringLiteral("awk"));
        const QString program = QStringLiteral(
            "BEGIN{RS=\"\\r\\n\";ORS=\"\\r\\n\"}"
            "{ if (index($0,\"@\")) { split($0,p,\"@\"); print p[2] }"
            "  else { s=$0; gsub(/https:\\/\\//,\"\",s); gsub(/http:\\/\\//,\"\",s); gsub(/www\\./,\"\",s); print s } }");
        QProcess p;
        p.setStandardOutputFile(dir + QStringLiteral("/awk.txt"));
        QElapsedTimer t;
        t.start();
        p.start(awk, {program, input});
        p.waitForFinished(-1);
        const double awkMs = t.nsecsElapsed() / 1e6;
        QFile awkOut(dir + QStringLiteral("/awk.txt"));
        awkOut.open(QIODevice::ReadOnly);
        std::printf("%s: %.1f ms (output %s the reference)\n", qPrintable(QFileInfo(awk).fileName()), awkMs,
                    awkOut.readAll() == want ? "matches" : "differs from");
        std::printf("ratio window / awk: %.2f\n", loadExtractSave / awkMs);
    }
    std::fflush(stdout);
    // _Exit runs no destructor: the files (about 100 MB a million entries)
    // would stay behind, and their pages still waiting for the disk would
    // slow the next run's saves.
    tmp.remove();
    // The window's own shutdown is the program's end; skip tearing down a million rows.
    std::_Exit(ok ? 0 : 1);
}
