// An Xorg server with the dummy video driver, started by the tests themselves: real
// RandR modes (1024x768, 800x600, 640x480 among others) and a second monitor.
#pragma once

#include <string>
#include <sys/types.h>

class DummyXServer {
public:
    // Starts the server and waits for it; false (with Why()) when it cannot start.
    bool Start();
    void Stop();
    const std::string& Display() const { return m_display; }
    const std::string& Why() const { return m_why; }

private:
    pid_t m_pid = 0;
    std::string m_display;
    std::string m_why;
    std::string m_dir;
};
