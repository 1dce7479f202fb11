// The fault-scenario table: every way a device or its line can fail, injected by the
// simulator and met by a real job over a pseudo-terminal (serial link) and over TCP, for the
// fiscal printer and the cash register. Each case checks what the user is told (the exact
// boxes), the job's outcome, the frames that reached the device byte for byte against the
// frames the rules give (none after an error), and that the job ends within a generous
// bound of its reply time-out.
#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>

#include "common/text.h"
#include "jobs/job_fixture.h"
#include "link/COM_pos.h"
#include "link/serial_port.h"
#include "support/device_end.h"
#include "support/platform.h"

using namespace tv;
using namespace tv::test;

namespace {

enum class Link { Pty, Tcp };
enum class Dev { Printer, Register };
enum class Job { Program, ProgramWithReport, ClearAll, HeaderFooter };
enum class On { Both, PtyOnly, TcpOnly };  // the links a scenario exists on
// What the user must be told.
enum class Says {
    Done,      // the job's success box
    NoReply,   // the reply did not come in time (the TCP printer link asks whether to wait again)
    LineGone,  // the device closed, reset or hung up the line
    Garbled,   // the reply's checksum is wrong
    Foreign,   // a well-formed reply that answers another command
    Refused,   // the device's own error reply
};

constexpr int kLast = -1;       // the job's last command
constexpr int kLastBlock = -2;  // the last block of a picture upload

struct Scenario {
    const char* name;
    // Simulator options; {K} is the command hit, {late} and {early} are 150 ms past and
    // half of the reply time-out, {other} another command (printer "sid", register 501).
    std::vector<std::string> sim;
    Says says;
    int at = 2;  // the command the fault hits; after a failure the device has seen no more
    On on = On::Both;
    Job job = Job::Program;
};

const Scenario kScenarios[] = {
    {"NoFaultProgramsThePicture", {}, Says::Done, 0},
    {"NoReplyMidUpload", {"--no-reply", "{K}"}, Says::NoReply},
    {"LineHeldOpenAndSilent", {"--no-reply", "*"}, Says::NoReply, 1},
    {"ReplyJustPastTheTimeOut", {"--delay", "{K}:{late}"}, Says::NoReply},
    {"ReplyLateButWithinTheTimeOut", {"--delay", "{K}:{early}"}, Says::Done},
    {"ReplyTrickledOneByteEvery2ms", {"--trickle", "2"}, Says::Done},
    {"ReplyTrickledOneByteEvery10ms", {"--trickle", "10"}, Says::Done},
    {"ReplyCutMidFrameThenSilence", {"--cut", "{K}:16"}, Says::NoReply},
    {"WrongChecksum", {"--bad-crc", "{K}"}, Says::Garbled},
    {"WrongChecksumOnTheLastReply", {"--bad-crc", "{K}"}, Says::Garbled, kLast},
    {"CorrectChecksumButAnotherCommandsFields", {"--wrong-reply", "{K}:{other}"}, Says::Foreign},
    {"StaleReplyFromThePreviousRequest", {"--stale", "{K}"}, Says::Foreign},
    {"JunkAfterAReply", {"--junk", "{K}"}, Says::Done},
    {"JunkAfterEveryReply", {"--junk", "*:2a0d0a"}, Says::Done},
    {"PeerHangsUpBeforeTheReply", {"--drop", "{K}"}, Says::LineGone, 2, On::PtyOnly},
    {"PeerHangsUpMidFrame", {"--cut", "{K}:16", "--drop", "{K}"}, Says::LineGone, 2, On::PtyOnly},
    {"PeerClosesBeforeTheReply", {"--drop", "{K}"}, Says::LineGone, 2, On::TcpOnly},
    {"PeerClosesMidFrame", {"--cut", "{K}:16", "--drop", "{K}"}, Says::LineGone, 2, On::TcpOnly},
    {"PeerClosesMidTheLastReply", {"--cut", "{K}:16", "--drop", "{K}"}, Says::LineGone, kLast, On::TcpOnly},
    {"ConnectionResetBeforeTheReply", {"--reset", "{K}"}, Says::LineGone, 2, On::TcpOnly},
    {"ConnectionResetMidFrame", {"--cut", "{K}:16", "--reset", "{K}"}, Says::LineGone, 2, On::TcpOnly},
    {"DeviceRefusesTheFirstBlock", {"--fail", "{K}:3252"}, Says::Refused},
    {"NoReplyToTheLastBlockWhenAReportIsAsked",
     {"--no-reply", "{K}"},
     Says::NoReply,
     kLastBlock,
     On::Both,
     Job::ProgramWithReport},
    {"ClearAllNoReplyForTheSecondCommand", {"--no-reply", "{K}"}, Says::NoReply, 2, On::Both, Job::ClearAll},
    {"ClearAllWrongChecksum", {"--bad-crc", "{K}"}, Says::Garbled, 2, On::Both, Job::ClearAll},
    {"HeaderFooterNoReplyToTheLast",
     {"--no-reply", "{K}"},
     Says::NoReply,
     kLast,
     On::Both,
     Job::HeaderFooter},
};

struct Case {
    const Scenario* s;
    Link link;
    Dev dev;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.s->name << (c.link == Link::Pty ? " over a pty" : " over TCP")
        << (c.dev == Dev::Printer ? ", printer" : ", cash register");
}

std::vector<Case> all_cases() {
    std::vector<Case> v;
    for (const auto& s : kScenarios)
        for (Link link : {Link::Pty, Link::Tcp})
            for (Dev dev : {Dev::Printer, Dev::Register})
                if (s.on == On::Both || (s.on == On::PtyOnly) == (link == Link::Pty))
                    v.push_back({&s, link, dev});
    return v;
}

std::string case_name(const ::testing::TestParamInfo<Case>& info) {
    const Case& c = info.param;
    return std::string(c.s->name) + (c.link == Link::Pty ? "_Pty" : "_Tcp") +
           (c.dev == Dev::Printer ? "_Printer" : "_Register");
}

// The reply time-out of a job with the time-out selector at "1": a printer waits 1 s on
// either link; cash-register jobs shorten it to 5 polls of 50 ms (serial) or one 700 ms wait.
int timeout_ms(const Case& c) {
    if (c.dev == Dev::Printer) return 1000;
    return c.link == Link::Pty ? 250 : 700;
}

// The frames a job sends when nothing goes wrong, built from the rules.
std::vector<std::string> job_frames(Job job, Dev dev) {
    const bool p = dev == Dev::Printer;
    const std::string digits = expected_payload(64, 72, job_pattern, true);
    switch (job) {
        case Job::Program:  // 64 x 72: 576 bytes in blocks of 512 / 256
        case Job::ProgramWithReport:
            return upload_frames(p, 1, 64, 72, digits, job == Job::ProgramWithReport);
        case Job::ClearAll: {
            std::vector<std::string> v;
            if (p) v.push_back(printer_frame("prncancel\t"));
            for (unsigned slot = 1; slot <= 6; ++slot)
                v.push_back(p ? printer_frame("imgslotset\tno" + std::to_string(slot) + "\twx1\thx1\t")
                              : register_frame(4602, {B(slot)}));
            return v;
        }
        case Job::HeaderFooter:
            if (p) return printer_frames({"prncancel\t", "imgheaderset\tno0\t", "imgfooterset\tno0\t"});
            return {register_frame(4603, {B(0), B(1)}), register_frame(4604, {B(0), B(1)})};
    }
    return {};
}

std::string success_box(Job job) {
    switch (job) {
        case Job::Program:
        case Job::ProgramWithReport:
            return "[Komunikat] Grafika została poprawnie zaprogramowana!";
        case Job::ClearAll:
            return "[Komunikat] Kasowanie grafik zostało zakończne pomyślnie!";
        case Job::HeaderFooter:
            return "[Komunikat] Konfiguracja grafiki w nagłówku i stopce\nzostała pomyślnie wykonana!";
    }
    return "";
}

// The boxes the user must see, in order.
std::vector<std::string> expected_boxes(const Case& c, int at) {
    const Says says = c.s->says;
    if (says == Says::Done) return {success_box(c.s->job)};
    if (c.dev == Dev::Printer) {
        switch (says) {
            case Says::NoReply:
                // Over TCP the user is asked first; "Nie" ends the job with the same box.
                if (c.link == Link::Tcp)
                    return {"[Warning] TIMEOUT! Try again?",
                            "[UWAGA!] Brak odpowiedzi z drukarki fiskalnej!"};
                [[fallthrough]];
            case Says::LineGone:
                return {"[UWAGA!] Brak odpowiedzi z drukarki fiskalnej!"};
            case Says::Garbled:
            case Says::Foreign:
                return {"[UWAGA!] Błędna odpowiedź z drukarki fiskalnej!"};
            default:
                return {
                    "[UWAGA!] Wystąpił błąd podczas modyfikowania grafiki nr 1.\n\n"
                    "Grafika tylko do odczytu.\nAby zmodyfikować wykonaj raport dobowy.\n\n"
                    "BŁĄD : 3252 ERR_IMG_READ_ONLY"};
        }
    }
    const std::string context = c.s->job == Job::HeaderFooter
                                    ? "Wystąpił błąd podczas innej czynności!\n\n"
                                    : "Wystąpił błąd podczas modyfikowania grafiki nr " +
                                          std::to_string(c.s->job == Job::ClearAll ? at : 1) + ".\n\n";
    switch (says) {
        case Says::NoReply:
        case Says::LineGone:
            return {"[UWAGA!] " + context + "TIMEOUT - brak odpowiedzi z kasy.\n\nBŁĄD : 10000 "};
        case Says::Garbled:
            return {"[UWAGA!] " + context + "błąd CRC\n\nBŁĄD : 3006 COMM_ERR_CRC"};
        case Says::Foreign:
            return {"[UWAGA!] " + context + "nieoczekiwane dane\n\nBŁĄD : 3002 COMM_ERR_UNEXPECTED_DATA"};
        default:
            return {"[UWAGA!] " + context + "grafika tylko do odczytu\n\nBŁĄD : 3252 ERR_IMG_READ_ONLY"};
    }
}

std::string substituted(std::string arg, const Case& c, int at) {
    auto put = [&](const std::string& key, const std::string& value) {
        for (auto p = arg.find(key); p != std::string::npos; p = arg.find(key))
            arg.replace(p, key.size(), value);
    };
    put("{K}", std::to_string(at));
    put("{late}", std::to_string(timeout_ms(c) + 150));
    put("{early}", std::to_string(timeout_ms(c) / 2));
    put("{other}", c.dev == Dev::Printer ? "sid" : "501");
    return arg;
}

class FaultScenario : public JobTest, public ::testing::WithParamInterface<Case> {};

TEST_P(FaultScenario, UserIsToldAndNothingFollowsAnError) {
    const Case& c = GetParam();
    if (c.link == Link::Pty) TV_NEEDS_PTY();
    const Scenario& s = *c.s;
    std::vector<std::string> want = job_frames(s.job, c.dev);
    const int total = static_cast<int>(want.size());
    const int at = s.at == kLast        ? total
                   : s.at == kLastBlock ? static_cast<int>(job_frames(Job::Program, c.dev).size())
                                        : s.at;

    std::vector<std::string> args = {c.dev == Dev::Printer ? "--printer" : "--register"};
    for (const auto& a : s.sim) args.push_back(substituted(a, c, at));
    start_sim(args, c.link == Link::Pty);
    if (c.dev == Dev::Register) use_registers();
    set_sel(gComb_Timeout, 0);  // "1"
    int button = ID_SEND;
    if (s.job == Job::Program || s.job == Job::ProgramWithReport) {
        choose(picture(64, 72));
        set_checked(gCheck_Print, s.job == Job::ProgramWithReport);
    } else if (s.job == Job::ClearAll) {
        set_sel(gComb_Slot, 6);  // "1-6"
        button = ID_CLEAR;
    } else {
        set_sel(gComb_GrHdr, 0);
        set_sel(gComb_GrFoot, 0);
        button = ID_SET;
    }
    host.clear();

    const bool ok = s.says == Says::Done;
    dispatch_command(button, Notify::Clicked, nullptr);
    // A failing job ends within its time-out's bound, not after waiting out every retry.
    if (!ok) {
        const auto bound = timeout_bound(std::chrono::milliseconds(timeout_ms(c)));
        EXPECT_TRUE(wait_for_worker_for(static_cast<int>(bound.count()))) << "the job ran past its time-out";
    }
    finish_job();

    EXPECT_EQ(box_texts(), expected_boxes(c, at));
    EXPECT_EQ(job_outcome, ok ? JobOutcome::Succeeded : JobOutcome::Failed);
    if (!ok) {
        want.resize(static_cast<std::size_t>(at));
        // The printer is told to drop what it began; nothing else follows.
        if (s.says == Says::Refused && c.dev == Dev::Printer) want.push_back(printer_frame("prncancel\t"));
    }
    EXPECT_TRUE(same_frames(all_frames(), want));
    if (ok && s.job == Job::Program) {
        EXPECT_EQ(stored(1).w, 64);
        EXPECT_EQ(stored(1).h, 72);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, FaultScenario, ::testing::ValuesIn(all_cases()), case_name);

// The serial port is ours alone, whoever tries to open it too. (That a new pty starts
// cooked and every byte value still crosses our open port unchanged is shown in tests/link.)
class PseudoTerminal : public JobTest {
  protected:
    void SetUp() override {
        TV_POSIX_ONLY(
            "a second opening as root and as another user, kept out by the terminal's exclusive mode and a "
            "file lock");
        point_com(3, path);
        copy_to(NR_COM, "\\\\.\\COM3");
    }
    void TearDown() override {
        com_disconnect(false);
        JobTest::TearDown();
    }
    // Runs fn in a child process (as user 65534 when as_nobody and we are root) and returns
    // its exit status; fn returns 0 when all went as expected.
#ifndef _WIN32
    template <class Fn>
    int in_child(bool as_nobody, Fn fn) {
        const pid_t pid = fork();
        if (pid == 0) {
            if (as_nobody && geteuid() == 0 &&
                (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
                _exit(90);
            _exit(fn());
        }
        int status = 0;
        if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }
#endif
    PtyDevice pty{false};  // as the system makes it: cooked
    const int slave = pty.slave_fd();
    const std::string path = pty.slave_path();
};

TEST_F(PseudoTerminal, ASecondOpenIsRefusedAsRootAndAsAnotherUser) {
#ifndef _WIN32  // termios and file locks: POSIX only (skipped on Windows)
    ASSERT_EQ(com_connect(false), RC_OK);
    // Root passes TIOCEXCL when it holds CAP_SYS_ADMIN; the lock still keeps it out.
    EXPECT_EQ(in_child(false,
                       [&] {
                           const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
                           if (fd < 0 && errno != EBUSY) return 1;
                           if (fd >= 0 && (flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK))
                               return 2;
                           SerialPort second;
                           return second.open(path) ? 3 : 0;
                       }),
              0);
    // Another user, who may open the device as such, is stopped by the exclusive mode.
    ASSERT_EQ(chmod(path.c_str(), 0666), 0);
    auto open_as_nobody = [&] {
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0) return 4;
        if (errno != EBUSY) return 5;
        SerialPort second;
        return second.open(path) ? 6 : 0;
    };
    EXPECT_EQ(in_child(true, open_as_nobody), 0);
    com_disconnect(false);
    // Released, the port opens for that user: the refusal was the exclusivity, not access.
    EXPECT_EQ(in_child(true,
                       [&] {
                           SerialPort again;
                           return again.open(path) ? 0 : 7;
                       }),
              0);
#endif
}

}  // namespace
