// The panel's rules: enabling around jobs, protocol and interface switches, and the
// error-message composer. What the preparers send is tested on the wire (tests/jobs).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "app/shell.h"
#include "codecs/printer/Fpos.h"
#include "common/globals.h"
#include "common/text.h"
#include "jobs/preparers.h"
#include "support/fixture.h"
#include "ui/Controls.h"
#include "ui/panel.h"
#include "ui/settings.h"

using namespace tv;
using namespace tv::test;

namespace {
class Panel : public Test {};
}  // namespace

TEST_F(Panel, SendNeedsAFileAndASingleSlot) {
    EXPECT_FALSE(enabled(gButt_Send));
    set_gr_filename("/tmp/logo.bmp");
    enable_ctrls(1);
    EXPECT_TRUE(enabled(gButt_Send));
    set_sel(gComb_Slot, 6);
    enable_ctrls(1);
    EXPECT_FALSE(enabled(gButt_Send));
    // A picture over 384 x 384, which a cash register refuses: no "Wyślij" for one.
    Gr_xmax = 640;
    set_sel(gComb_Slot, 0);
    set_sel(gComb_Protocol, 1);
    enable_ctrls(1);
    EXPECT_FALSE(enabled(gButt_Send));
}

TEST_F(Panel, FileBoxKeepsAtMost260CharactersAndNeverHalfALetter) {
    std::string path;
    for (int i = 0; i < 300; ++i) path += "ż";
    set_text(gEdit_File, path);
    const std::string shown = text(gEdit_File);
    EXPECT_EQ(shown.size(), 260u * 2);
    EXPECT_EQ(shown, path.substr(0, 520));
}

TEST_F(Panel, ProtocolGatesThePrinterOnlyControls) {
    set_sel(gComb_Protocol, 1);
    enable_ctrls(1);
    EXPECT_EQ(PROTOCOL, 2);
    for (Control* c : {gCheck_TestPrint, gButt_Rep, gComb_Rep}) EXPECT_FALSE(enabled(c)) << c->handle;
    EXPECT_EQ(text(gEdit_File), "Bitmapa monochromatyczna\r\nMaksymalny rozmiar 384 x 384 pikseli");
    set_sel(gComb_Protocol, 0);
    enable_ctrls(1);
    EXPECT_EQ(PROTOCOL, 0);
    for (Control* c : {gCheck_TestPrint, gButt_Rep, gComb_Rep}) EXPECT_TRUE(enabled(c)) << c->handle;
    enable_ctrls(0);
    for (Control* c : {gCheck_TestPrint, gButt_Rep, gComb_Rep, gButt_ComDetect, gComb_Slot, gEdit_File})
        EXPECT_FALSE(enabled(c)) << c->handle;
    EXPECT_TRUE(enabled(gEdit_Info));  // the trace pane is never locked
}

// A job's settings round trip (save, load, which ends in change_protocol) must not bring
// any control back while the panel is locked, under either protocol.
TEST_F(Panel, ALockedPanelStaysLockedThroughASettingsReload) {
    TempDir dir;
    gCurrendDir = dir.path();
    set_gr_filename("/tmp/logo.bmp");
    for (int protocol : {0, 1}) {
        set_sel(gComb_Protocol, protocol);
        enable_ctrls(1);
        enable_ctrls(0);
        ASSERT_TRUE(save_cfg());
        load_cfg("settings.cfg");
        change_protocol();
        dispatch_command(ID_NONE, Notify::DropDownClosed, gComb_Slot);  // the slot rule too
        for (Control* c : all_controls()) {
            if (c->kind == Kind::Label || c->kind == Kind::GroupBox || c == g_ProgressBar || c == gEdit_Info)
                continue;
            EXPECT_FALSE(enabled(c)) << c->handle << " protocol " << protocol;
        }
        enable_ctrls(1);
        EXPECT_TRUE(enabled(gButt_Send));
        EXPECT_EQ(enabled(gButt_Rep), protocol == 0);
        EXPECT_EQ(enabled(gCheck_TestPrint), protocol == 0);
    }
    gCurrendDir.clear();
}

TEST_F(Panel, ProtocolSwitchKeepsTheDescriptionOfALoadedPicture) {
    Gr_xmax = 100;
    set_text(gEdit_File, "a.bmp\r\nBMP monochromatyczna, 100 x 10 pikseli");
    set_sel(gComb_Protocol, 1);
    change_protocol();
    EXPECT_EQ(text(gEdit_File), "a.bmp\r\nBMP monochromatyczna, 100 x 10 pikseli");
}

TEST_F(Panel, EthernetShowsAddressFieldsAndKeepsTimeout) {
    set_sel(gComb_Interface, 1);
    change_interface();
    for (Control* c : {gComb_COM, gComb_Baudrate, gStat_COM, gStat_Baudrate})
        EXPECT_FALSE(visible(c)) << c->handle;
    for (Control* c : {g_IPaddress, gEdit_PortTCP, gStat_Address, gStat_TCPPort, gComb_Timeout, gStat_Timeout,
                       gButt_ComDetect})
        EXPECT_TRUE(visible(c)) << c->handle;
    EXPECT_EQ(text(gButt_ComDetect), "Szukaj w sieci");  // the network scan, in the same place
    set_sel(gComb_Interface, 0);
    change_interface();
    EXPECT_TRUE(visible(gButt_ComDetect));
    EXPECT_EQ(text(gButt_ComDetect), "Szukaj połączenia");
    EXPECT_FALSE(visible(g_IPaddress));
}

// "Otwórz" pressed quickly and often: each press starts a check of the picture while the
// one before may still be running; none may wait on another (a deadlock would hang the
// window). A bounded wait: past it the program ends rather than hang.
TEST_F(Panel, OpenPressedQuicklyAndOftenNeverHangs) {
    const std::string picture = std::string(TV_SOURCE_DIR) + "/tests/data/full_640x640_im.bmp";
    auto pressed = std::make_shared<std::promise<void>>();
    std::future<void> all_pressed = pressed->get_future();
    std::thread([this, picture, pressed] {
        for (int i = 0; i < 40; ++i) {
            host.choose_next(picture);
            dispatch_command(ID_FILE, Notify::Clicked, gButt_File);
        }
        wait_for_check();
        pressed->set_value();
    }).detach();
    if (all_pressed.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        ADD_FAILURE() << "the checks of the pictures wait on each other";
        std::_Exit(1);
    }
    EXPECT_EQ(gr_filename(), picture);
    EXPECT_TRUE(enabled(gButt_File));
}

TEST(ErrorMessage, ContextNamesTheFailingCommand) {
    char out[512];
    error_id(3252);
    std::memset(out, 0, sizeof out);
    err_message("imgslotset\tno4\twx10\thx2\ttx00\t", out, 3252);
    EXPECT_STREQ(out,
                 "Wystąpił błąd podczas modyfikowania grafiki nr 4.\n\n"
                 "Grafika tylko do odczytu.\nAby zmodyfikować wykonaj raport dobowy.\n\nBŁĄD : 3252 "
                 "ERR_IMG_READ_ONLY");
    error_id(1);
    std::memset(out, 0, sizeof out);
    err_message("imgheaderset\tno1\t", out, 1);
    EXPECT_STREQ(out,
                 "Wystąpił błąd podczas ustawiania grafiki w nagłówku.\n\nNierozpoznana komenda\n\nBŁĄD : 1 "
                 "PROTO_ERR_CMD_UNKNOWN");
    std::memset(out, 0, sizeof out);
    err_message("imgfooterset\tno1\t", out, 1);
    EXPECT_EQ(std::string(out).rfind("Wystąpił błąd podczas ustawiania grafiki w stopce.\n\n", 0), 0u);
    std::memset(out, 0, sizeof out);
    err_message("imgslotappend\tno1\ttx00\t", out, 1);
    EXPECT_EQ(std::string(out).rfind("Wystąpił błąd podczas innej czynności!\n\n", 0), 0u);
}

TEST(ErrorMessage, NeverWritesPastItsBuffer) {
    char out[600];
    std::memset(out, 'Z', sizeof out);
    out[0] = 0;
    error_id(3);  // the longest printer description
    err_message(std::string(4000, 'x').c_str(), out, 3);
    EXPECT_LT(std::strlen(out), 512u);
    EXPECT_EQ(out[599], 'Z');
}
