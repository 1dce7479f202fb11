// Opening and closing the configured link.
#include "jobs/link_session.h"

#include "app/Controls.h"
#include "link/COM_pos.h"
#include "link/TCPIP_pos.h"

namespace tv {

int LinkSession::connect() {
    serial = sel(gComb_Interface) == 0;
    stage = 0;
    int r;
    if (serial) {
        r = com_connect(true);
    } else {
        init_WSADATA(1);
        r = tcp_connect(sock, stage);
        if (r != 0) init_WSADATA(0);  // release the library (and a half-made socket) at once
    }
    open = r == 0;
    return r;
}

void LinkSession::disconnect() {
    if (!open) return;
    if (serial) {
        com_disconnect(true);
    } else {
        if (stage > 2) tcp_disconnect(sock);
        init_WSADATA(0);
    }
    open = false;
}

}  // namespace tv
