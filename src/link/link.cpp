// The link table and the session that opens and closes the selected link.
#include "link/link.h"

#include "link/COM_pos.h"
#include "link/TCPIP_pos.h"
#include "link/serial_port.h"
#include "ui/Controls.h"

namespace tv {

const LinkOps serial_link = {
    true,
    [](unsigned int&, std::int16_t&) { return com_connect(true); },
    [](unsigned int&, std::int16_t) { com_disconnect(true); },
    [](unsigned int&, char* frame) { return com_send(frame); },
    [](unsigned int&, char* reply, unsigned& devErr, bool) { return com_pos_receive(reply, devErr); },
    [](unsigned int&, unsigned char* frame, int) { return com_bsend(frame); },
    [](unsigned int&, unsigned char* frame, bool verbose) -> int {
        com_breceive(frame, verbose);
        return RC_OK;
    },
    [](unsigned int&) { hCom.discard_input(); },
};

const LinkOps tcp_link = {
    false,
    [](unsigned int& sock, std::int16_t& stage) {
        init_WSADATA(1);
        const int r = tcp_connect(sock, stage);
        if (r != RC_OK) init_WSADATA(0);  // release the library (and a half-made socket) at once
        return r;
    },
    [](unsigned int& sock, std::int16_t stage) {
        if (stage > 2) tcp_disconnect(sock);
        init_WSADATA(0);
    },
    [](unsigned int& sock, char* frame) { return tcp_send(sock, frame); },
    [](unsigned int& sock, char* reply, unsigned& devErr, bool ask) {
        return tcp_pos_recive(sock, reply, devErr, ask);
    },
    [](unsigned int& sock, unsigned char* frame, int length) {
        return tcp_send_bin(sock, reinterpret_cast<char*>(frame), length);
    },
    [](unsigned int& sock, unsigned char* frame, bool) {
        return tcp_recive_bin(sock, reinterpret_cast<char*>(frame));
    },
    // A connection is the job's own, opened for it: what comes on it answers its requests in
    // order, and a reply to another command is refused by its name or identifier.
    [](unsigned int&) {},
};

const LinkOps& selected_link() { return sel(gComb_Interface) == 0 ? serial_link : tcp_link; }

int LinkSession::connect() {
    ops = &selected_link();
    stage = 0;
    const int r = ops->open(sock, stage);
    open = r == RC_OK;
    return r;
}

void LinkSession::disconnect() {
    if (!open) return;
    ops->close(sock, stage);
    open = false;
}

}  // namespace tv
