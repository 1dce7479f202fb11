// One request after another: log, fault plan, answer, send.
#include "server.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tv::sim {

bool sleep_unless(const std::atomic<bool>& stop, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!stop.load()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
        std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(20)));
    }
    return false;
}

Server::Server(const Options& options, Transport& transport, Device& device, RequestLog& log,
               std::FILE* notices)
    : options_(options), transport_(transport), device_(device), log_(log), notices_(notices) {}

void Server::run(const std::atomic<bool>& stop) {
    unsigned char buf[4096];
    while (transport_.wait_peer(stop)) {
        device_.reset_input();
        if (options_.verbose) std::fprintf(stderr, "[sim] połączenie\n");
        bool open = true;
        // Once told to stop, what the peer had already sent is still taken in (without
        // waiting for more), so the log holds every request that reached the device.
        while (open) {
            const bool stopping = stop.load();
            const long n = transport_.read(buf, sizeof buf, stopping ? 0 : 100);
            if (n < 0 || (n == 0 && stopping)) break;  // the peer closed, or all is in
            for (long i = 0; i < n && open; ++i) {
                if (!device_.feed(buf[i])) continue;
                open = handle(++count_, device_.frame(), stop);
            }
        }
        if (options_.verbose) std::fprintf(stderr, "[sim] koniec połączenia\n");
    }
}

bool Server::handle(CommandNo k, const Bytes& request, const std::atomic<bool>& stop) {
    log_.add(request);
    if (options_.verbose) std::fprintf(stderr, "[sim] polecenie %ld: %zu bajtów\n", k, request.size());

    // A line broken at this command goes down before the reply, or after the part of it
    // that --cut lets through.
    const int* cut = lookup(options_.cut, k);
    const bool reset = hits(options_.reset, k);
    const bool breaks = reset || hits(options_.drop, k);
    if (breaks && !cut) return break_line(k, reset);
    if (hits(options_.no_reply, k)) return breaks ? break_line(k, reset) : true;

    const int* code = lookup(options_.fail, k);
    const std::string* other = lookup(options_.wrong_reply, k);
    const Bytes reply = code    ? device_.refuse(request, *code)
                        : other ? device_.answer(device_.request_for(*other))
                                : device_.answer(request);
    Bytes out = reply;
    if (hits(options_.stale, k)) out = have_last_ ? last_reply_ : Bytes();
    last_reply_ = reply;
    have_last_ = true;
    if (hits(options_.bad_crc, k)) out = device_.corrupt_checksum(out);
    if (cut && static_cast<std::size_t>(*cut) < out.size()) out.resize(static_cast<std::size_t>(*cut));
    if (const int* ms = lookup(options_.delay_ms, k))
        if (!sleep_unless(stop, *ms)) return true;
    send(out, stop);
    if (breaks) return break_line(k, reset);
    if (const std::string* junk = lookup(options_.junk, k)) send(*junk, stop);
    return true;
}

bool Server::break_line(CommandNo k, bool reset) {
    if (options_.verbose) std::fprintf(stderr, "[sim] polecenie %ld: zerwanie%s\n", k, reset ? " (RST)" : "");
    if (reset)
        transport_.reset();
    else
        transport_.drop();
    device_.reset_input();
    const std::string line = transport_.ready_line();
    if (line.rfind("READY pty", 0) == 0) {  // the tool must find the new terminal
        std::fprintf(notices_, "REOPEN%s\n", line.c_str() + 5);
        std::fflush(notices_);
    }
    return false;
}

void Server::send(const Bytes& bytes, const std::atomic<bool>& stop) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    if (options_.trickle_ms <= 0) {
        transport_.write(p, bytes.size());
        return;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (!transport_.write(p + i, 1)) return;
        if (i + 1 < bytes.size() && !sleep_unless(stop, options_.trickle_ms)) return;
    }
}

}  // namespace tv::sim
