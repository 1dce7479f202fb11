// The simulated fiscal cash register: DLE-framed binary requests read and answered with
// the tool's own KS_FRM, refusals as CMD_ID 0 with V <command>, V <error code>.
#pragma once
#include "device.h"
#include "options.h"

namespace tv {
struct KS_FRM;
}

namespace tv::sim {

namespace reg_err {
constexpr int CRC = 3006;
constexpr int FRAME_LENGTH = 3007;
constexpr int UNKNOWN_COMMAND = 3008;
constexpr int BUFFER_OVERFLOW = 3009;
constexpr int MISSING_PARAM = 3013;
}  // namespace reg_err

// Cash registers take graphics up to 384 x 384.
constexpr int kRegisterMaxSide = 384;

class RegisterDevice final : public Device {
  public:
    RegisterDevice(const Options& options, SlotStore& store, ChangeHook changed);

    bool feed(unsigned char b) override;
    void reset_input() override;
    Bytes answer(const Bytes& request) override;
    Bytes refuse(const Bytes& request, int code) override;
    Bytes corrupt_checksum(const Bytes& reply) override;
    Bytes request_for(const std::string& command) const override;

  private:
    // Parses the wire bytes into f and checks length and checksum: 0 or an error code.
    static int parse(const Bytes& wire, KS_FRM& f);
    // Runs one parsed command: 0 or an error code; reply fields go into reply.
    int run(const KS_FRM& request, KS_FRM& reply);

    bool pending_ = false;  // a DLE waits for its partner
    bool inside_ = false;
    bool overflow_ = false;
};

}  // namespace tv::sim
