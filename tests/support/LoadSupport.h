#pragma once

#include "support/TestHelpers.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#endif

#ifdef Q_OS_UNIX
inline bool makeFifo(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// Watches a named pipe while a test runs: should the code under test open it
// for reading, it would wait for a writer for ever. The watch then plays the
// writer for a moment, so the test fails on readerBlocked() instead of hanging.
class PipeWatch {
public:
    explicit PipeWatch(const QString &path) : path_(QFile::encodeName(path)), thread_([this] { run(); }) {}
    ~PipeWatch()
    {
        stop_ = true;
        thread_.join();
    }
    PipeWatch(const PipeWatch &) = delete;
    PipeWatch &operator=(const PipeWatch &) = delete;

    bool readerBlocked() const { return blocked_; }

private:
    void run()
    {
        while (!stop_) {
            // A non-blocking open for writing succeeds only while a reader
            // has the pipe open, that is, waits in its open().
            const int fd = ::open(path_.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                blocked_ = true;
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    QByteArray path_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> blocked_{false};
    std::thread thread_;
};
#endif
