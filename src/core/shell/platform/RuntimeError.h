#pragma once

#include <QString>
#include <exception>

// Run-time errors carry the classic number and a one-line description; the
// error box shows the description and handlers may look at the number.
namespace ErrNo {
constexpr int InvalidCall = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int SubscriptOutOfRange = 9;
constexpr int Internal = 51;
constexpr int BadFileName = 52;
constexpr int FileNotFound = 53;
constexpr int DeviceIO = 57;
constexpr int DiskFull = 61;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int InvalidPicture = 481;
constexpr int FileNameBufferTooSmall = 20476;
constexpr int IndexOutOfBounds = 35600;
constexpr int DialogFailure = -32768; // any other failure of the system's file dialog
}

class RuntimeError : public std::exception {
public:
    RuntimeError(int number, QString description)
        : number_(number), description_(std::move(description)), what_(description_.toUtf8()) {}

    int number() const noexcept { return number_; }
    const QString &description() const noexcept { return description_; }
    const char *what() const noexcept override { return what_.constData(); }

private:
    int number_;
    QString description_;
    QByteArray what_;
};

// The classic errors, each with its one text: throw FileNotFound(); and so on.
// An error whose text says more than its number (a skin that is no style
// sheet, a dialog's own code) is made where it arises.

// No memory for what was asked.
inline RuntimeError OutOfMemory()
{
    return RuntimeError(ErrNo::OutOfMemory, QStringLiteral("Out of memory"));
}

// A column outside the table a copy measured.
inline RuntimeError SubscriptOutOfRange()
{
    return RuntimeError(ErrNo::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
}

// A file, or a program to start, that is not there.
inline RuntimeError FileNotFound()
{
    return RuntimeError(ErrNo::FileNotFound, QStringLiteral("File not found"));
}

// A read or write that failed; `more` tells the user what is kept, if anything.
inline RuntimeError DeviceIOError(const QString &more = QString())
{
    return RuntimeError(ErrNo::DeviceIO, QStringLiteral("Device I/O error") + more);
}

// No room on the disk for what a save writes in place.
inline RuntimeError DiskFull()
{
    return RuntimeError(ErrNo::DiskFull, QStringLiteral("Disk full"));
}

// A name that exists but cannot be opened, or is not a file.
inline RuntimeError PathFileAccessError()
{
    return RuntimeError(ErrNo::PathFileAccess, QStringLiteral("Path/File access error"));
}

// A folder that does not exist.
inline RuntimeError PathNotFound()
{
    return RuntimeError(ErrNo::PathNotFound, QStringLiteral("Path not found"));
}

// A picture file that is no picture.
inline RuntimeError InvalidPicture()
{
    return RuntimeError(ErrNo::InvalidPicture, QStringLiteral("Invalid picture"));
}

// A choice of file names that does not fit the file dialog's name buffer.
inline RuntimeError FileNameBufferTooSmall()
{
    return RuntimeError(ErrNo::FileNameBufferTooSmall,
                        QStringLiteral("The FileName buffer is too small to store the selected file name(s)."));
}

// A list item or column header number outside 1 to the count.
inline RuntimeError IndexOutOfBounds()
{
    return RuntimeError(ErrNo::IndexOutOfBounds, QStringLiteral("Index out of bounds"));
}

// Thrown by a platform whose "end the program" does not really end the
// process (the scripted one in tests): nothing may catch it but the test.
// Deliberately not a std::exception, so no step swallows it.
struct ProgramEnded {};
