// The network scan: address sets and their refusals, the blocks of the machine's own
// networks from a made-up interface list (never scanned), the window's "Szukaj w sieci"
// against simulators on loopback addresses, and a stop while connects wait.
#include <cstring>
#include <future>

#include "job_fixture.h"
#include "jobs/net_scan.h"
#include "support/sockets.h"

using namespace tv;
using namespace tv::test;

namespace {

std::uint32_t ip(const char* text) {
    AddressSet one;
    std::string error;
    EXPECT_TRUE(parse_address_set(text, false, one, error)) << text << ": " << error;
    return one.hosts.empty() ? 0 : one.hosts.front();
}

// Text typed, whether a large block is allowed, then the count, first and last address
// scanned, or a fragment of the refusal.
struct SetCase {
    const char* text;
    bool large;
    std::size_t count;
    const char* first;
    const char* last;
    const char* refusal;
};

TEST(AddressSets, ParsingAndRefusals) {
    const SetCase cases[] = {
        {"192.168.1.7", false, 1, "192.168.1.7", "192.168.1.7", nullptr},
        {" 192.168.1.10-20 ", false, 11, "192.168.1.10", "192.168.1.20", nullptr},
        {"192.168.1.77/24", false, 254, "192.168.1.1", "192.168.1.254", nullptr},
        {"10.0.0.0/22", false, 1022, "10.0.0.1", "10.0.3.254", nullptr},
        {"10.0.0.4/31", false, 2, "10.0.0.4", "10.0.0.5", nullptr},
        {"127.0.0.20,127.0.0.20-21", false, 2, "127.0.0.20", "127.0.0.21", nullptr},
        {"10.0.0.0/21", false, 0, nullptr, nullptr, "/22 (1024 adresy)"},
        {"10.0.0.0/21", true, 2046, "10.0.0.1", "10.0.7.254", nullptr},
        {"10.0.0.0/22,10.0.4.1-3", false, 0, nullptr, nullptr, "za duży"},
        {"10.0.0.0/8", true, 0, nullptr, nullptr, "Za dużo adresów"},
        {"0.0.0.0", false, 0, nullptr, nullptr, "nie jest adresem pojedynczego urządzenia"},
        {"255.255.255.255", false, 0, nullptr, nullptr, "nie jest adresem pojedynczego urządzenia"},
        {"224.0.0.251", false, 0, nullptr, nullptr, "nie jest adresem pojedynczego urządzenia"},
        {"0.0.0.0/24", false, 0, nullptr, nullptr, "nie jest adresem pojedynczego urządzenia"},
        {"192.168.1.256", false, 0, nullptr, nullptr, "To nie jest adres IPv4"},
        {"192.168.1", false, 0, nullptr, nullptr, "To nie jest adres IPv4"},
        {"sklep.local", false, 0, nullptr, nullptr, "To nie jest adres IPv4"},
        {"192.168.1.20-10", false, 0, nullptr, nullptr, "koniec zakresu"},
        {"192.168.1.0/33", false, 0, nullptr, nullptr, "długość prefiksu"},
        {"192.168.1.0/", false, 0, nullptr, nullptr, "długość prefiksu"},
        {"", false, 0, nullptr, nullptr, "To nie jest adres IPv4"},
    };
    for (const SetCase& c : cases) {
        AddressSet set;
        std::string error;
        const bool ok = parse_address_set(c.text, c.large, set, error);
        EXPECT_EQ(ok, c.refusal == nullptr) << c.text << ": " << error;
        if (!ok) {
            EXPECT_NE(error.find(c.refusal), std::string::npos) << c.text << ": " << error;
            continue;
        }
        ASSERT_EQ(set.hosts.size(), c.count) << c.text;
        EXPECT_EQ(dotted(set.hosts.front()), c.first) << c.text;
        EXPECT_EQ(dotted(set.hosts.back()), c.last) << c.text;
    }
    std::vector<std::uint16_t> ports;
    std::string error;
    EXPECT_TRUE(parse_ports("6666, 9100-9102,6666", ports, error)) << error;
    EXPECT_EQ(ports, (std::vector<std::uint16_t>{6666, 9100, 9101, 9102}));
    for (const char* bad : {"0", "65536", "9102-9100", "66a", ""})
        EXPECT_FALSE(parse_ports(bad, ports, error)) << bad;
}

// The blocks the window scans when the IP field holds its default: each interface that is
// up and not loopback, wider networks narrowed to the /24 around the address, the
// machine's own addresses left out. A made-up list: nothing here is ever connected to.
TEST(AddressSets, OwnNetworksFromAMadeUpInterfaceList) {
    // The link layer gives addresses and masks in network byte order.
    auto network = [](std::uint32_t h) {
        const unsigned char b[4] = {static_cast<unsigned char>(h >> 24), static_cast<unsigned char>(h >> 16),
                                    static_cast<unsigned char>(h >> 8), static_cast<unsigned char>(h)};
        std::uint32_t v;
        std::memcpy(&v, b, 4);
        return v;
    };
    auto iface = [&](const char* addr, int prefix, bool loopback, bool up) {
        net::Ipv4Interface i;
        i.addr = network(ip(addr));
        i.mask = network(0xFFFFFFFFu << (32 - prefix));
        i.loopback = loopback;
        i.up = up;
        return i;
    };
    const std::vector<net::Ipv4Interface> list = {
        iface("127.0.0.1", 8, true, true),      iface("192.168.1.37", 24, false, true),
        iface("192.168.1.38", 24, false, true), iface("10.20.30.40", 16, false, true),
        iface("172.16.5.5", 24, false, false),  iface("100.64.0.1", 30, false, true),
    };
    const AddressSet set = own_networks(list);
    EXPECT_EQ(set.label, "192.168.1.0/24,10.20.30.0/24,100.64.0.0/30");
    ASSERT_EQ(set.hosts.size(), 252u + 253u + 1u);
    EXPECT_EQ(dotted(set.hosts.front()), "192.168.1.1");
    EXPECT_EQ(dotted(set.hosts.back()), "100.64.0.2");
    for (const std::uint32_t h : set.hosts)  // the machine's own addresses, loopback and down links left out
        EXPECT_TRUE(((h >> 8) != ip("192.168.1.1") >> 8 || (h & 0xFF) < 37 || (h & 0xFF) > 38) &&
                    h != ip("10.20.30.40") && (h >> 24) != 127 && (h >> 16) != ip("172.16.5.5") >> 16)
            << dotted(h);
}

// The window on Ethernet: a printer at 127.0.0.20 on the port of the port field, found in
// the /24 around the IP field's address.
class NetScan : public JobTest {
  protected:
    void start_printer_at(const char* address) {
        sim = std::make_unique<SimProcess>(std::vector<std::string>{"--printer", "--name", "ZAPLECZE",
                                                                    "--tcp", "0", "--listen", address,
                                                                    "--log", dir.file("requests.log")});
        ASSERT_TRUE(sim->ok()) << sim->error();
        set_sel(gComb_Interface, 1);
        dispatch_command(ID_SELECTOR, Notify::DropDownClosed, gComb_Interface);
        set_text(g_IPaddress, "127.0.0.7");
        set_text(gEdit_PortTCP, std::to_string(sim->port()));
    }
};

TEST_F(NetScan, TheButtonFindsTheDeviceAndFillsThePanel) {
    // Protocol selected, the row the dialog is answered with (-1: no dialog expected), the box.
    const struct {
        int protocol;
        int row;
        std::vector<std::string> boxes;
    } cases[] = {
        {0, -1, {"[Komunikat] Wykryto połączenie z drukarką fiskalną\nZAPLECZE\n127.0.0.20:"}},
        {1, 0, {"[Komunikat] Wykryto połączenie z drukarką fiskalną\nZAPLECZE\n127.0.0.20:"}},
    };
    start_printer_at("127.0.0.20");
    for (const auto& c : cases) {
        set_sel(gComb_Protocol, c.protocol);
        dispatch_command(ID_SELECTOR, Notify::SelectionConfirmed, gComb_Protocol);
        ASSERT_TRUE(visible(gButt_ComDetect));
        EXPECT_EQ(text(gButt_ComDetect), "Szukaj w sieci");
        host.clear();
        if (c.row >= 0) host.choose_row_next(c.row);
        press(ID_DETECT);
        finish_job();
        std::vector<std::string> expected = c.boxes;
        expected[0] += std::to_string(sim->port());
        EXPECT_EQ(box_texts(), expected);
        std::size_t dialogs = 0;
        for (const Event& e : host.events())
            if (e.type == Event::ChooseRow) {
                ++dialogs;
                EXPECT_EQ(e.text, "127.0.0.20 | " + std::to_string(sim->port()) +
                                      " | drukarka fiskalna | ZAPLECZE | 1.00\n");
            }
        EXPECT_EQ(dialogs, c.row >= 0 ? 1u : 0u);
        EXPECT_EQ(text(g_IPaddress), "127.0.0.20");
        EXPECT_EQ(sel(gComb_Protocol), 0);
        EXPECT_EQ(text(gButt_ComDetect), "Szukaj w sieci");
        set_text(g_IPaddress, "127.0.0.7");
    }
    // Identity requests only. With the cash registers selected the printer first got the
    // register's status request (which it reads from its STX to its ETX, and leaves unanswered).
    const auto identity = printer_frames({"scomm\t", "sid\t"});
    EXPECT_EQ(frames(), (std::vector<std::string>{identity[0], identity[1], register_frame(501, {}).substr(1),
                                                  identity[0], identity[1]}));
}

// A stop while a connect waits on a port that never accepts (its queue is full) ends the
// scan long before the connect's time-out, with nothing left waiting.
TEST_F(NetScan, AStopEndsTheConnectsInFlight) {
    std::uint16_t port = 0;
    const sockets::Socket full = sockets::listen_on("127.0.0.50", port, 0);
    ASSERT_NE(full, sockets::kNone);
    const sockets::Socket queued[] = {sockets::start_connect("127.0.0.50", port),
                                      sockets::start_connect("127.0.0.50", port)};
    ScanOptions o;
    o.hosts = {ip("127.0.0.49"), ip("127.0.0.50")};  // the first is refused at once
    o.ports = {port};
    o.in_flight = 1;
    o.connect_timeout_ms = 600000;
    host.on_progress([](int) { Stoper = true; });  // the first address settled: stop
    auto scan = std::async(std::launch::async, [&] { return network_scan(o); });
    ASSERT_EQ(scan.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    const ScanResult r = scan.get();
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.tried, 1u);
    EXPECT_TRUE(r.devices.empty());
    EXPECT_FALSE(Stoper);
    for (const auto s : queued) sockets::close(s);
    sockets::close(full);
}

}  // namespace
