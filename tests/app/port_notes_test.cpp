// The port selector's notes: when its list opens, the ports that exist are marked with
// their device and description; the items stay COM1..COM99 (the settings name them).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/shell.h"
#include "common/globals.h"
#include "support/fixture.h"
#include "support/platform.h"
#include "ui/Controls.h"
#include "ui/panel.h"

using namespace tv;
using namespace tv::test;

namespace {

class PortNotes : public Test {
  protected:
    void SetUp() override {
        TV_POSIX_ONLY("ports/comN links name devices on POSIX systems");
        std::filesystem::create_directory(dir.file("ports"));
        write_file(dir.file("adapter"), "");
    }
    void open_list() { dispatch_command(ID_NONE, Notify::DropDownOpening, gComb_COM); }
    std::size_t changes_of_the_selector() const {
        std::size_t n = 0;
        for (const auto& e : host.events())
            if (e.type == Event::ControlChanged && e.text == "gComb_COM") ++n;
        return n;
    }
};

TEST_F(PortNotes, OpeningTheListMarksThePortsThatExistAndDropsThoseGone) {
    std::filesystem::create_symlink(dir.file("adapter"), dir.file("ports/com5"));
    std::filesystem::create_symlink(dir.file("gone"), dir.file("ports/com6"));
    const std::string adapter = std::filesystem::canonical(dir.file("adapter")).string();
    EXPECT_EQ(item_label(gComb_COM, 4), "COM5");  // nothing is listed before the list opens

    open_list();
    EXPECT_EQ(item_label(gComb_COM, 4), "COM5   " + adapter + " – dowiązanie ports/com5");
    EXPECT_EQ(item_label(gComb_COM, 5), "COM6");  // its target is gone
    EXPECT_EQ(item(gComb_COM, 4), "COM5");        // what settings.cfg and --port name
    EXPECT_EQ(text(gComb_COM), "COM1");           // the selection is left alone
    EXPECT_EQ(changes_of_the_selector(), 1u);     // the face is told to redraw it

    open_list();  // nothing changed: no redraw
    EXPECT_EQ(changes_of_the_selector(), 1u);

    std::filesystem::remove(dir.file("ports/com5"));
    open_list();
    EXPECT_EQ(item_label(gComb_COM, 4), "COM5");
    EXPECT_EQ(changes_of_the_selector(), 2u);
}

}  // namespace
