#pragma once

// Small helpers every suite shares: files read and written whole, a folder's
// entries, a list's rows, numbered domains, and the text of an error box.

#include "core/shell/handlers/HandlerSteps.h"
#include "core/shell/controls/ListModel.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A file that cannot be read reads as "<missing>", which no test writes.
inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Hidden and system entries too: a temporary file left behind must show.
inline QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

inline QStringList rowsOf(const ListModel &list)
{
    QStringList out;
    for (qsizetype i = 1; i <= list.count(); ++i)
        out << list.text(i);
    return out;
}

// d1.example ... dn.example
inline QStringList numbered(int n)
{
    QStringList out;
    out.reserve(n);
    for (int i = 1; i <= n; ++i)
        out << QStringLiteral("d%1.example").arg(i);
    return out;
}

inline QString errorBox(const QString &handler, const char *description, int line)
{
    return ErrorReportText(QLatin1String(description), HandlerLocation(handler), line);
}

inline QString errorBox(const char *handler, const char *description, int line)
{
    return errorBox(QLatin1String(handler), description, line);
}

// The box of button n's click handler.
inline QString errorBox(int button, const char *description, int line)
{
    return errorBox(QStringLiteral("PushButton%1_Click").arg(button), description, line);
}
