// tarvix-vizaze.exe: the native Windows window. Starts the application in the current
// directory, shows the panel and runs the message loop; closing the window saves the
// settings.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <filesystem>

#include "app/shell.h"
#include "common/globals.h"
#include "common/paths.h"
#include "main_window.h"
#include "win_host.h"
#include "win_text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    const INITCOMMONCONTROLSEX controls{sizeof controls,
                                        ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&controls);

    int rc = 0;
    {
        tv::win::MainWindow window;
        if (!window.create(true)) {
            MessageBoxW(nullptr, tv::win::wide(tv::WINDOW_FAILED_TEXT).c_str(),
                        tv::win::wide(tv::WINDOW_FAILED_CAPTION).c_str(), MB_ICONWARNING | MB_OK);
            return 0;
        }
        std::error_code ec;
        window.start(tv::utf8_path(std::filesystem::current_path(ec)));
        window.show(show);
        MSG msg{};
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (window.pre_translate(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        rc = static_cast<int>(msg.wParam);
        // The window closes while a job runs only when that job did not stop in its time;
        // from here on its host calls find no window and get the default answers.
        tv::win::WinHost::instance().detach(&window);
    }
    // Ask a job still running to end after its current exchange, and give it a moment to
    // close the link. One that does not end in time must not run on while the program's
    // objects are destroyed: leave at once then.
    tv::job_abort = true;
    tv::Stoper = true;
    if (!tv::join_background_threads(3000)) std::_Exit(rc);
    return rc;
}
