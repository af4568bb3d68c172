// The demo: opens Corvida.exe in a prepared workstation folder, fills the report with the
// built-in test values (customer ID "90521"), shows every page, submits, and reports the
// outcome. Screenshots go to CORVIDA_DOCS_DIR when it is set.
//
//   corvida_demo.exe <workstation folder>
#include "GuiDriver.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: corvida_demo <workstation folder>\n");
        return 2;
    }
    std::string folder = argv[1];
    gui::ProgramSession session;
    if (!session.Start(folder + "\\Corvida.exe", folder)) {
        std::fprintf(stderr, "Corvida.exe did not open its window\n");
        return 1;
    }
    HWND main = session.Main();
    std::printf("window open: %s\n", gui::WindowText(main).c_str());
    gui::Screenshot(main, "demo-1-opened");

    HWND customer = gui::PageWithControl(main, 1009);
    gui::SetText(GetDlgItem(customer, 1009), "90521");
    std::printf("test fill: customer \"%s\", product \"%s\", serial \"%s\", region \"%s\"\n",
                gui::WindowText(GetDlgItem(customer, 1008)).c_str(), gui::WindowText(GetDlgItem(customer, 1013)).c_str(),
                gui::WindowText(GetDlgItem(customer, 1012)).c_str(), gui::WindowText(GetDlgItem(customer, 1005)).c_str());
    gui::Screenshot(main, "demo-2-filled");
    const char* shots[] = {"demo-3-general", "demo-4-hardware", "demo-5-software", "demo-6-performance"};
    for (int tab = 1; tab <= 4; ++tab) {
        gui::SelectTab(main, tab);
        gui::Screenshot(main, shots[tab - 1]);
    }
    gui::SelectTab(main, 0);

    std::printf("Submit pressed\n");
    gui::PostClick(main, 1031);
    if (HWND progress = session.WaitDialog("Installation Report Submission", 5000))
        gui::Screenshot(progress, "demo-7-submitting");
    HWND box = session.WaitMessageBox(180000);
    if (!box) {
        std::fprintf(stderr, "no outcome message\n");
        return 1;
    }
    std::string caption = gui::WindowText(box);
    std::printf("outcome [%s]:\n%s\n", caption.c_str(), gui::BoxText(box).c_str());
    gui::Screenshot(box, "demo-8-outcome");
    gui::PostClick(box, IDOK);
    bool ended = session.WaitExit(15000);
    std::printf("program %s\n", ended ? "closed" : "still running");
    return caption == "Notification" && ended ? 0 : 1;
}
