// The scan's parallel connects: a bounded number of attempts in flight, each with its own
// time-out, settled as the system reports them and abandoned at a stop. The waiting itself
// is the system's (tcp_probe_platform.h).
#include "link/tcp_probe.h"

#include <algorithm>
#include <chrono>

#include "link/tcp_probe_platform.h"

namespace tv::net {

namespace {

using Clock = std::chrono::steady_clock;

struct Attempt {
    probe::Handle s = probe::kNone;
    std::size_t target = 0;
    Clock::time_point deadline;
};

}  // namespace

bool probe_connect(const std::vector<Endpoint>& targets, int in_flight, int timeout_ms,
                   const std::function<bool()>& stop, const std::function<void(std::size_t, bool)>& done) {
    const std::size_t limit = static_cast<std::size_t>(std::clamp(in_flight, 1, kMaxInFlight));
    std::vector<Attempt> flying;
    std::vector<probe::Handle> sockets;
    std::vector<char> settled;
    std::size_t next = 0;
    bool stopped = false;
    while (!stopped && (next < targets.size() || !flying.empty())) {
        while (next < targets.size() && flying.size() < limit) {
            bool open = false;
            const probe::Handle s = probe::start(targets[next], open);
            if (s == probe::kNone)
                done(next, open);
            else
                flying.push_back({s, next, Clock::now() + std::chrono::milliseconds(timeout_ms)});
            ++next;
        }
        if (flying.empty()) {
            stopped = stop();
            continue;
        }
        sockets.clear();
        Clock::time_point first = flying.front().deadline;
        for (const Attempt& a : flying) {
            sockets.push_back(a.s);
            first = std::min(first, a.deadline);
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(first - Clock::now()).count();
        const int wait_ms = static_cast<int>(std::clamp<long long>(left, 0, 50));
        // A wait that fails settles every attempt in flight as closed, so none waits for ever.
        const bool failed = !probe::wait(sockets, wait_ms, settled);
        const Clock::time_point now = failed ? Clock::time_point::max() : Clock::now();
        std::size_t kept = 0;
        for (std::size_t i = 0; i < flying.size(); ++i) {
            const Attempt a = flying[i];
            const bool ready = !failed && settled[i];
            if (!ready && now < a.deadline) {
                flying[kept++] = a;
                continue;
            }
            const bool open = ready && probe::connected(a.s);
            probe::close(a.s);
            done(a.target, open);
        }
        flying.resize(kept);
        stopped = stop();
    }
    for (const Attempt& a : flying) probe::close(a.s);
    return !stopped;
}

}  // namespace tv::net
