// Windows has no pseudo-terminals: --pty is refused with a reason; serve over --tcp.
#include "transport.h"

namespace tv::sim {

std::unique_ptr<Transport> make_pty_transport(const std::string&, std::string& error) {
    error = "Pseudoterminal (--pty) jest dostępny tylko w systemach POSIX; użyj --tcp";
    return nullptr;
}

}  // namespace tv::sim
