// An Xorg server with the dummy video driver, started by the tests themselves: real
// RandR modes (1024x768, 800x600, 640x480 among others) and a second monitor.
#pragma once

#include <string>
#include <sys/types.h>

// Skips the test, with the reason, when the server did not come up.
#define REQUIRE_DUMMY_XSERVER(up, server)                                                \
    do {                                                                                 \
        if (!(up))                                                                       \
            GTEST_SKIP() << "Xorg with the dummy video driver cannot start here: "       \
                         << (server).Why();                                              \
    } while (0)

class DummyXServer {
public:
    // Starts the server and waits for it; false (with Why()) when it cannot start.
    bool Start();
    void Stop();
    // The second monitor, 800 x 600 right of the first (1024 x 768), both with a
    // physical size (GTK ignores monitors without one). False when xrandr refuses.
    bool AddSecondMonitor();
    // Start, the second monitor, DISPLAY pointed at the server and the toolkit started
    // on it under that program name: what every test program on this server does
    // first. False (with Why()) when any step fails.
    bool StartWithToolkit(const char* programName);
    // The toolkit's clean-up (when it runs), then Stop.
    void StopWithToolkit();
    const std::string& Display() const { return m_display; }
    const std::string& Why() const { return m_why; }

private:
    pid_t m_pid = 0;
    std::string m_display;
    std::string m_why;
    std::string m_dir;
};
