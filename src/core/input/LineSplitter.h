#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include "core/shell/platform/LargeBlocks.h"

#include <bit>
#include <cstring>

// Cuts a stream of bytes into lines as they arrive in blocks of any size.
//
// CR LF, CR alone and LF alone each end a line and are not part of it. After
// a final CR LF or CR no further line follows; after a final LF one empty line
// does, and an empty stream gives none. Nothing is trimmed, skipped or decoded:
// a line is exactly the bytes between two line ends, NULs and byte-order marks
// included.
//
// A line that lies wholly inside one block is handed out as a view into that
// block, so splitting costs no copy; only the unfinished line at the end of a
// block is carried over to the next.
//
//   LineSplitter lines;
//   while (read a block) lines.feed(block, sink);
//   lines.finish(sink);          // sink(QByteArrayView line)
class LineSplitter {
public:
    template <class Sink>
    void feed(QByteArrayView block, Sink &&sink)
    {
        const char *p = block.data();
        const char *const end = p + block.size();
        if (p == end)
            return;
        // The LF of a CR LF whose CR closed the previous block.
        if (skipLineFeed_) {
            skipLineFeed_ = false;
            if (*p == '\n')
                ++p;
        }
        while (p != end) {
            const char *stop = findLineEnd(p, end);
            if (stop == end) {
                carry_.append(p, end - p);
                lineOpen_ = true;
                adviseLargePages();
                return;
            }
            if (carry_.isEmpty()) {
                sink(QByteArrayView(p, stop - p));
            } else {
                carry_.append(p, stop - p);
                sink(QByteArrayView(carry_));
                // Drops the storage too: one very long line must not keep its
                // buffer for the rest of the file.
                carry_.clear();
            }
            if (*stop == '\r') {
                lineOpen_ = false;
                if (stop + 1 == end) {
                    skipLineFeed_ = true;
                    return;
                }
                p = stop[1] == '\n' ? stop + 2 : stop + 1;
            } else {
                // Whatever follows a LF, even nothing, is one more line.
                lineOpen_ = true;
                p = stop + 1;
            }
        }
    }

    // The end of the stream: hands out the last line if one is open, and
    // makes the splitter ready for a new stream.
    template <class Sink>
    void finish(Sink &&sink)
    {
        if (lineOpen_)
            sink(QByteArrayView(carry_));
        carry_.clear();
        lineOpen_ = false;
        skipLineFeed_ = false;
    }

    // The end of a pasted text: as finish(), except that a LF at the very
    // end closes the last line as CR LF and CR do. A copied column ends with
    // one line break, which starts no further row.
    template <class Sink>
    void finishPasted(Sink &&sink)
    {
        // An open line with nothing carried is the one a final LF began.
        if (lineOpen_ && carry_.isEmpty())
            lineOpen_ = false;
        finish(sink);
    }

    // Bytes of the unfinished line held between blocks.
    qsizetype carried() const { return carry_.size(); }
    QByteArrayView carriedBytes() const { return carry_; }

private:
    // A line of megabytes, held whole until it ends, is written once:
    // large pages save a fault every 4 KiB (see LargeBlocks).
    void adviseLargePages()
    {
        if (carry_.capacity() >= kLargeCarry && carry_.constData() != advised_) {
            advised_ = carry_.constData();
            LargeBlocks::adviseLargePages(carry_.data(), size_t(carry_.capacity()));
        }
    }
    static constexpr qsizetype kLargeCarry = qsizetype(4) << 20;

    static const char *findLineEnd(const char *p, const char *end)
    {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        // Eight bytes at a time: a byte equal to CR or LF becomes a zero byte
        // after the XOR, and the lowest set high bit of the test below marks
        // the first zero (bits above it may be false alarms, never below).
        constexpr quint64 ones = 0x0101010101010101u;
        constexpr quint64 highs = 0x8080808080808080u;
        for (; end - p >= 8; p += 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            const quint64 cr = word ^ (ones * '\r');
            const quint64 lf = word ^ (ones * '\n');
            const quint64 hits = (((cr - ones) & ~cr) | ((lf - ones) & ~lf)) & highs;
            if (hits != 0)
                return p + (std::countr_zero(hits) >> 3);
        }
#endif
        for (; p != end; ++p) {
            // One compare rejects nearly every byte of ordinary text.
            if (static_cast<unsigned char>(*p) <= '\r' && (*p == '\r' || *p == '\n'))
                return p;
        }
        return end;
    }

    QByteArray carry_;
    const char *advised_ = nullptr;
    bool lineOpen_ = false;     // a line has begun that no line end has closed yet
    bool skipLineFeed_ = false; // the last block ended in CR
};
