#pragma once

#include <QElapsedTimer>

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
