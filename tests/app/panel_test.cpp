// The panel's rules: enabling around jobs, protocol and interface switches, and the
// printer preparers and error-message composer that read the selectors.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

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
    for (Control* c : {gComb_COM, gComb_Baudrate, gStat_COM, gStat_Baudrate, gButt_ComDetect})
        EXPECT_FALSE(visible(c)) << c->handle;
    for (Control* c :
         {g_IPaddress, gEdit_PortTCP, gStat_Address, gStat_TCPPort, gComb_Timeout, gStat_Timeout})
        EXPECT_TRUE(visible(c)) << c->handle;
    set_sel(gComb_Interface, 0);
    change_interface();
    EXPECT_TRUE(visible(gButt_ComDetect));
    EXPECT_FALSE(visible(g_IPaddress));
}

TEST_F(Panel, ClearSequenceForOneSlotAndForAll) {
    set_sel(gComb_Slot, 2);
    prepare_clear();
    EXPECT_STREQ(seq_tab, "prncancel\t\nimgslotset\tno3\twx1\thx1\n");
    set_sel(gComb_Slot, 6);
    prepare_clear();
    std::string all = "prncancel\t\n";
    for (int i = 1; i <= 6; ++i) all += "imgslotset\tno" + std::to_string(i) + "\twx1\thx1\n";
    EXPECT_EQ(std::string(seq_tab), all);
}

TEST_F(Panel, HeaderFooterSequenceWithAndWithoutTestForm) {
    set_sel(gComb_GrHdr, 0);
    set_sel(gComb_GrFoot, 3);
    prepare_set();
    EXPECT_STREQ(seq_tab, "prncancel\t\nimgheaderset\tno0\nimgfooterset\tno3\n");
    set_checked(gCheck_TestPrint, true);
    prepare_set();
    const std::string seq = seq_tab;
    EXPECT_EQ(seq.find("formstart\tfn200\tfh84\talW Y D R U K   T E S T O W Y\t\n"), 45u);
    const std::string line = "formline\tfn200\tfl706\ts1test \\LFtest  test  test  test  test  test  test\n";
    std::size_t n = 0;
    for (std::size_t p = seq.find(line); p != std::string::npos; p = seq.find(line, p + 1)) ++n;
    EXPECT_EQ(n, 5u);
    EXPECT_EQ(seq.substr(seq.size() - 15), "formend\tfn200\t\n");
}

TEST_F(Panel, ReportSequence) {
    prepare_rep();  // default "1-6"
    EXPECT_STREQ(seq_tab, "prncancel\t\nimgrep\n");
    set_sel(gComb_Rep, 4);
    prepare_rep();
    EXPECT_STREQ(seq_tab, "prncancel\t\nimgprogrep\tno5\t\n");
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
