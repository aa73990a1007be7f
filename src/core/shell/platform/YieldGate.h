#pragma once

#include <QElapsedTimer>

// Marks the upper halves of the vector registers as unused (VZEROUPPER). Code
// elsewhere in the process (libraries, the event loop) may leave them in use,
// and while they are, every 128-bit instruction of ordinary code pays for
// the mixed state: on this kind of processor a copy loop over short rows ran
// nine times slower. Long loops call this where they start and wherever
// foreign code may have run, that is after letting events run. It costs a few
// cycles, and nothing where the processor has no such registers.
inline void ClearUpperVectorState()
{
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx)
        asm volatile("vzeroupper");
#endif
}

// Decides when a loop that asks to let events run once per row really does:
// at most once per interval. Reading the clock costs more than a row, so it is
// read only every 64th call.
class YieldGate {
public:
    explicit YieldGate(int intervalMs = 10) : intervalMs_(intervalMs) { clock_.start(); }

    bool due()
    {
        if ((++calls_ & 63u) != 0)
            return false;
        if (clock_.elapsed() < intervalMs_)
            return false;
        clock_.restart();
        return true;
    }
    void restart() { clock_.restart(); }

private:
    QElapsedTimer clock_;
    unsigned calls_ = 0;
    int intervalMs_;
};
