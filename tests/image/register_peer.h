// A scripted cash register on 127.0.0.1 for the upload tests: a thread accepts one
// connection, parses every request frame with KS_FRM::filter, records it and answers with
// a reply frame built by KS_FRM: the request's CMD_ID to accept, CMD_ID 0 with V fields
// (command, error code) to refuse. Every wait is bounded.
#pragma once
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tv::test {

struct Request {
    std::uint16_t cmd = 0;
    std::uint16_t fields = 0;
    std::vector<unsigned char> data;  // the field area

    unsigned slot() const { return data.size() > 1 && data[0] == 'B' ? data[1] : 999u; }
    // The V field at field-area position at (tag byte), or 0xFFFF when there is none.
    unsigned v_at(std::size_t at) const {
        if (at + 2 >= data.size() || data[at] != 'V') return 0xFFFF;
        return data[at + 1] | (data[at + 2] << 8);
    }
    // The text of the S field that follows the slot byte.
    std::string text() const {
        if (data.size() < 3 || data[2] != 'S') return "<no S field>";
        std::string t;
        for (std::size_t i = 3; i < data.size() && data[i] != 0; ++i) t += static_cast<char>(data[i]);
        return t;
    }
};

class ScriptedRegister {
public:
    // answer(index, request) gives 0 to accept the request, or the error code to refuse it.
    using Answer = std::function<std::uint16_t(std::size_t, const Request&)>;
    explicit ScriptedRegister(Answer answer);
    ~ScriptedRegister();
    ScriptedRegister(const ScriptedRegister&) = delete;
    ScriptedRegister& operator=(const ScriptedRegister&) = delete;

    std::uint16_t port() const { return port_; }
    // Waits until the client has closed (or the peer has given up), then the requests.
    const std::vector<Request>& requests();

private:
    void run();
    int listen_fd_ = -1;
    std::uint16_t port_ = 0;
    Answer answer_;
    std::vector<Request> requests_;
    std::thread thread_;
};

}  // namespace tv::test
