// Starting and stopping the dummy-driver Xorg server.
#include "dummy_server.h"

#include <X11/Xlib.h>
#include <wx/app.h>
#include <wx/init.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "support/test_support.h"

namespace {

const char kConfig[] = R"(Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 64000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
    Modeline "1024x768" 65.00 1024 1048 1184 1344 768 771 777 806 -hsync -vsync
    Modeline "800x600" 40.00 800 840 968 1056 600 601 605 628 +hsync +vsync
    Modeline "640x480" 25.18 640 656 752 800 480 490 492 525 -hsync -vsync
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Modes "1024x768" "800x600" "640x480"
        Virtual 2048 1024
    EndSubSection
EndSection
)";

}  // namespace

bool DummyXServer::Start() {
    if (access("/usr/bin/Xorg", X_OK) != 0) {
        m_why = "no /usr/bin/Xorg";
        return false;
    }
    if (access("/usr/lib/xorg/modules/drivers/dummy_drv.so", R_OK) != 0) {
        m_why = "no dummy video driver";
        return false;
    }
    char pattern[] = "/tmp/vorpane_xorg_XXXXXX";
    if (!mkdtemp(pattern)) {
        m_why = "no temporary folder";
        return false;
    }
    m_dir = pattern;
    std::string config = m_dir + "/xorg.conf";
    FILE* f = std::fopen(config.c_str(), "w");
    if (!f) {
        m_why = "cannot write the configuration";
        return false;
    }
    std::fputs(kConfig, f);
    std::fclose(f);
    mkdir((m_dir + "/conf.d").c_str(), 0700);

    const std::string confd = m_dir + "/conf.d";
    m_pid = StartXServerOnFreeDisplay({"/usr/bin/Xorg", "-config", config, "-configdir", confd,
                                       "-noreset", "-nolisten", "tcp", "-logfile",
                                       m_dir + "/Xorg.log"},
                                      "", 15, &m_display);
    if (m_pid <= 0) {
        m_pid = 0;
        m_why = "Xorg did not start (see its log in " + m_dir + ")";
        Stop();
        return false;
    }
    ::Display* d = XOpenDisplay(m_display.c_str());
    if (!d) {
        m_why = "cannot connect to " + m_display;
        Stop();
        return false;
    }
    XCloseDisplay(d);
    return true;
}

void DummyXServer::Stop() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        for (int i = 0; i < 50 && waitpid(m_pid, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (waitpid(m_pid, &status, WNOHANG) == 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
    }
    m_pid = 0;
    if (!m_dir.empty()) {
        std::string command = "rm -rf '" + m_dir + "'";
        int ignored = std::system(command.c_str());
        (void)ignored;
        m_dir.clear();
    }
}

bool DummyXServer::AddSecondMonitor() {
    const std::string& d = m_display;
    std::string add = "xrandr -d " + d + " --addmode DUMMY1 800x600 && xrandr -d " + d +
                      " --output DUMMY1 --mode 800x600 --right-of DUMMY0 && xrandr -d " + d +
                      " --output DUMMY0 --set WIDTH_MM 270 --set HEIGHT_MM 200 "
                      "--output DUMMY1 --set WIDTH_MM 210 --set HEIGHT_MM 160";
    if (std::system(add.c_str()) != 0) {
        m_why = "xrandr could not add the second monitor";
        return false;
    }
    // Listing the monitors once settles the server's list before the toolkit reads it
    // (without it GTK was seen to find only the first).
    std::string check = "xrandr -d " + d + " --listmonitors >/dev/null";
    int ignored = std::system(check.c_str());
    (void)ignored;
    return true;
}

bool DummyXServer::StartWithToolkit(const char* programName) {
    if (!Start()) return false;
    setenv("DISPLAY", m_display.c_str(), 1);
    if (!AddSecondMonitor()) return false;
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(programName), nullptr};
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        m_why = "the toolkit did not start";
        return false;
    }
    return true;
}

void DummyXServer::StopWithToolkit() {
    if (wxTheApp) wxEntryCleanup();
    Stop();
}
