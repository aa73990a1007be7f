#pragma once

#include <QString>
#include <exception>

// Run-time errors carry the classic number and a one-line description; the
// error box shows the description and handlers may look at the number.
namespace ErrNo {
constexpr int InvalidCall = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
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

// A choice of file names that does not fit the file dialog's name buffer.
inline RuntimeError FileNameBufferTooSmall()
{
    return RuntimeError(ErrNo::FileNameBufferTooSmall,
                        QStringLiteral("The FileName buffer is too small to store the selected file name(s)."));
}

// Thrown by a platform whose "end the program" does not really end the
// process (the scripted one in tests): nothing may catch it but the test.
// Deliberately not a std::exception, so no step swallows it.
struct ProgramEnded {};
