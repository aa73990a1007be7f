// Feeds an address file to the line splitter in blocks cut where the fuzzer
// chooses (empty blocks included) and checks the lines against a plain
// restatement of the rule: cut the bytes at every CR (a CR LF counting as one),
// drop the empty piece after a final CR or CR LF, then cut each piece at every
// LF keeping empty parts. The same splitter, once finished, must give the same
// lines for the same bytes again.
#include "core/input/LineSplitter.h"
#include "support/SplitInBlocks.h"

#include <QByteArray>
#include <QByteArrayList>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

QByteArrayList reference(const QByteArray &bytes)
{
    QByteArrayList records;
    QByteArray current;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            current.append(bytes[i]);
            continue;
        }
        records.append(current);
        current.clear();
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
    }
    // After a final CR or CR LF no further record follows; an empty file has none.
    if (!current.isEmpty())
        records.append(current);

    QByteArrayList lines;
    for (const QByteArray &record : std::as_const(records)) {
        qsizetype from = 0;
        for (;;) {
            const qsizetype lf = record.indexOf('\n', from);
            if (lf < 0)
                break;
            lines.append(record.mid(from, lf - from));
            from = lf + 1;
        }
        lines.append(record.mid(from));
    }
    return lines;
}

QByteArrayList split(LineSplitter &splitter, const QByteArray &bytes, const std::vector<qsizetype> &cuts)
{
    const QByteArrayList lines = SplitInBlocks(splitter, bytes, cuts);
    if (splitter.carried() != 0)
        std::abort(); // nothing of one stream may wait for the next
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    const int cutCount = fdp.ConsumeIntegralInRange(0, 24);
    std::vector<uint16_t> rawCuts;
    for (int i = 0; i < cutCount; ++i)
        rawCuts.push_back(fdp.ConsumeIntegral<uint16_t>());
    const std::vector<char> rest = fdp.ConsumeRemainingBytes<char>();
    const QByteArray bytes(rest.data(), qsizetype(rest.size()));

    std::vector<qsizetype> cuts;
    for (const uint16_t c : rawCuts)
        cuts.push_back(qsizetype(c) % (bytes.size() + 1));
    std::sort(cuts.begin(), cuts.end());

    const QByteArrayList want = reference(bytes);
    LineSplitter splitter;
    if (split(splitter, bytes, cuts) != want)
        std::abort();
    // Ready for the next file: whole, then a byte at a time.
    if (split(splitter, bytes, {}) != want)
        std::abort();
    if (bytes.size() <= 256) {
        std::vector<qsizetype> everyByte;
        for (qsizetype i = 1; i < bytes.size(); ++i)
            everyByte.push_back(i);
        if (split(splitter, bytes, everyByte) != want)
            std::abort();
    }
    return 0;
}
