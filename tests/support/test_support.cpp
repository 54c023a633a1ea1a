// Helpers shared by the test programs.
#include "support/test_support.h"

#include <wx/app.h>
#include <wx/fileconf.h>
#include <wx/init.h>
#include <wx/sstream.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <X11/Xlib.h>

#include "app/app_fault.h"
#include "platform/pf_thread_messages.h"

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vorpane-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteWholeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

unsigned long long HashBytes(const void* data, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    unsigned long long h = 1469598103934665603ull;
    for (size_t i = 0; i < size; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

unsigned CountOwnThreads() {
    unsigned count = 0;
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return 0;
    while (const dirent* e = readdir(tasks)) {
        if (e->d_name[0] == '.') continue;
        // A thread that ended since the listing has no name to read: not counted.
        const std::string name = ReadWholeFile(std::string("/proc/self/task/") + e->d_name + "/comm");
        if (name.compare(0, std::strlen(kPfThreadNamePrefix), kPfThreadNamePrefix) == 0) ++count;
    }
    closedir(tasks);
    return count;
}

Display* WaitForXDisplay(int timeoutMs) {
    for (int waited = 0;; waited += 50) {
        if (Display* display = XOpenDisplay(nullptr)) return display;
        if (waited >= timeoutMs) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

const char* StartToolkitOnXDisplay(int& argc, char** argv) {
    Display* held = WaitForXDisplay();
    if (!held) return "no X server answers";
    wxApp::SetInstance(new wxApp);
    const char* failed = !wxEntryStart(argc, argv)     ? "the toolkit did not start"
                         : !wxTheApp->CallOnInit()     ? "the application did not initialise"
                                                       : nullptr;
    XCloseDisplay(held);
    // The toolkit's start drops the log target for its own, which shows each message
    // in a modal box: no one would ever close it.
    SendToolkitLogToStderr();
    return failed;
}

long StoredConfigValue(const std::string& fileText, const char* key, long fallback) {
    wxStringInputStream in(wxString::FromUTF8(fileText.c_str()));
    wxFileConfig file(in);
    return file.ReadLong(key, fallback);
}

void SendWindowCloseRequest(_XDisplay* display, unsigned long window) {
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

namespace {

// The first key that xdotool's XTEST keyboard sends to a new server changes the core
// keyboard's map to that device's. A window manager running then lets go of all its
// key bindings and grabs them again (openbox does), and a key arriving in between
// reaches the focused window as a plain key: a test's Alt+F4 then and again came to
// the menu as F4. One Shift, pressed and let go before any other client connects,
// makes that change while nothing listens; the map stays so for the tests' keys.
bool SettleKeyboardMap(const std::string& display) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int none = open("/dev/null", O_RDWR);
        if (none >= 0) {
            dup2(none, 1);
            dup2(none, 2);
        }
        setenv("DISPLAY", display.c_str(), 1);
        execlp("xdotool", "xdotool", "key", "shift", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

}  // namespace

int StartXServerOnFreeDisplay(const std::vector<std::string>& args, const std::string& outputPath,
                              double timeoutSeconds, std::string* display) {
    int ends[2];
    if (args.empty() || pipe(ends) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(ends[0]);
        const int out = open(outputPath.empty() ? "/dev/null" : outputPath.c_str(),
                             O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int none = open("/dev/null", O_RDONLY);
        if (none >= 0) dup2(none, 0);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        std::vector<std::string> all = args;
        all.insert(all.begin() + 1, {"-displayfd", std::to_string(ends[1])});
        std::vector<char*> argv;
        for (std::string& arg : all) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return -1;
    }
    // The server writes its display number and a newline once it takes connections.
    std::string number;
    bool done = false, ended = false;
    pollfd readable = {ends[0], POLLIN, 0};
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(static_cast<long>(timeoutSeconds * 1000));
    while (!done && !ended && std::chrono::steady_clock::now() < until) {
        if (poll(&readable, 1, 200) > 0) {
            char c;
            if (read(ends[0], &c, 1) != 1 || c == '\n')
                done = true;
            else
                number += c;
        }
        int status = 0;
        ended = waitpid(pid, &status, WNOHANG) == pid;
    }
    close(ends[0]);
    if (ended) return -1;
    if (number.empty()) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    *display = ":" + number;
    if (!SettleKeyboardMap(*display)) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

bool MachineHasTimeToSpare() {
#if defined(__SANITIZE_ADDRESS__)
    return false;
#endif
    // The last minute's average lags behind a load that has just begun: the tasks
    // runnable at this moment (the fourth field of /proc/loadavg, "runnable/all") must
    // leave a processor free too.
    double average = 0;
    int runnable = 0;
    const long processors = sysconf(_SC_NPROCESSORS_ONLN);
    FILE* file = std::fopen("/proc/loadavg", "r");
    const bool read = file && std::fscanf(file, "%lf %*f %*f %d/", &average, &runnable) == 2;
    if (file) std::fclose(file);
    return read && processors > 0 && average < double(processors) && runnable < processors;
}
