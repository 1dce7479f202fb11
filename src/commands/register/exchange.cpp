// One cash-register command exchange: send the request on the chosen link, collect and
// parse the reply, and turn an error reply into the device-error record.
#include "codecs/register/ks_fields.h"
#include "commands/register/prt_ks.h"
#include "link/link.h"
#include "ui/trace.h"

namespace tv {

std::string ks_errors_text(const std::vector<std::uint16_t>& values, const char* eol) {
    std::string text = std::string(eol) + "ERRORS : " + eol;
    for (std::uint16_t v : values) text += std::to_string(v) + eol;
    return text;
}

int ks_error_reply(const KS_FRM& reply) {
    s(ks_errors_text(ks_v_values(reply), "\r\n"), 0);
    // A silent register is a time-out, not an unknown error.
    if (ks_frame_started(reply))
        kas_error_id(ks_error_code(reply));
    else
        kas_error_id(KS_NO_REPLY);
    return RC_DEVICE_ERROR;
}

int ks_unusable_reply(const KS_FRM& reply) {
    const KsWire state = ks_wire_state(reply);
    if (state == KsWire::Whole) return RC_OK;
    // Nothing, or a frame that never ended, is no reply; a corrupted one cannot be read.
    const int code = state == KsWire::Corrupted ? KS_REPLY_CRC : KS_NO_REPLY;
    s(std::string("\r\nREPLY ERROR : ") + i_to_str(code) + "\r\n", 0);
    kas_error_id(code);
    return RC_DEVICE_ERROR;
}

int ks_exchange(unsigned int& socket, KS_FRM& request, KS_FRM& reply, bool verbose, const LinkOps* over) {
    const LinkOps& link = over ? *over : selected_link();
    // Whatever came in since the last reply (a late one) answers nothing sent now.
    link.drop_input(socket);
    if (link.send_frame(socket, request.FRAME, request.F_LEN) != RC_OK) {
        // Nothing went out, so no reply is waited for: the line itself failed.
        s(std::string("\r\nSEND ERROR : ") + i_to_str(KS_SEND_FAILED) + "\r\n", 0);
        kas_error_id(KS_SEND_FAILED);
        return RC_DEVICE_ERROR;
    }
    link.receive_frame(socket, reply.FRAME, verbose);
    s("Filter...", 0);
    reply.filter();
    reply.print();
    if (ks_unusable_reply(reply) != RC_OK) return RC_DEVICE_ERROR;
    if (reply.CMD_ID == 0) return ks_error_reply(reply);
    if (reply.CMD_ID != request.CMD_ID) {
        // Another command's reply (a stale one, say) confirms nothing about this request.
        s(std::string("\r\nREPLY ERROR : ") + i_to_str(KS_REPLY_OTHER) + "\r\n", 0);
        kas_error_id(KS_REPLY_OTHER);
        return RC_DEVICE_ERROR;
    }
    s("OK :D \r\n", 0);
    return RC_OK;
}

}  // namespace tv
