#ifndef KORVANE_SIM_COMMON_H
#define KORVANE_SIM_COMMON_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gripper_sim.h"

namespace korvane::sim {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;
using Bytes = std::vector<uint8_t>;

inline TimePoint never() { return TimePoint::max(); }
inline Clock::duration ms(double v)
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(v));
}
inline Clock::duration seconds(double v)
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(v));
}

// The device side of the line as the models see it. send() queues bytes that
// leave no earlier than notBefore (and, when paced, one line time apart).
class Line {
public:
    virtual ~Line() = default;
    virtual void send(const uint8_t *data, size_t length, TimePoint notBefore) = 0;
    void send(const Bytes &bytes, TimePoint notBefore) { send(bytes.data(), bytes.size(), notBefore); }
    void send(const std::string &text, TimePoint notBefore)
    {
        send(reinterpret_cast<const uint8_t *>(text.data()), text.size(), notBefore);
    }
    // When the last queued byte will have left.
    virtual TimePoint txIdleAt(TimePoint now) const = 0;
    // Whether the host asked its tty for XON/XOFF (IXON on the pty slave).
    virtual bool hostFlowControl() const = 0;
    virtual const Pacing &pacing() const = 0;
};

// Timed actions of a model. Power loss bumps the epoch, which cancels every
// action scheduled before it.
class Scheduler {
public:
    void at(TimePoint when, std::function<void(TimePoint)> action)
    {
        actions_.emplace(when, Entry{epoch_, std::move(action)});
    }
    void cancelAll() { ++epoch_; actions_.clear(); }
    TimePoint next() const { return actions_.empty() ? never() : actions_.begin()->first; }
    // Runs the earliest action if due; false when none is.
    bool runOne(TimePoint now)
    {
        if (actions_.empty() || actions_.begin()->first > now)
            return false;
        auto it = actions_.begin();
        TimePoint when = it->first;
        Entry entry = std::move(it->second);
        actions_.erase(it);
        if (entry.epoch == epoch_)
            entry.action(when);
        return true;
    }

private:
    struct Entry {
        unsigned epoch;
        std::function<void(TimePoint)> action;
    };
    std::multimap<TimePoint, Entry> actions_;
    unsigned epoch_ = 0;
};

} // namespace korvane::sim

#endif
