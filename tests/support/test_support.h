// Helpers shared by the test programs.
#pragma once

#include <string>
#include <vector>

// A fresh empty directory under the system's temporary folder, removed by the
// destructor with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Reads a whole file; empty when it does not exist.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& text);

// The value of a key ("/Game/2/HighScore1") in the text of a configuration file, read
// as the game's store reads it; fallback when the key is missing or not a number.
long StoredConfigValue(const std::string& fileText, const char* key, long fallback = -999);

// FNV-1a 64 over bytes: pins large outputs (images, mixed sound) in one number.
unsigned long long HashBytes(const void* data, size_t size);

// True when the program's own speed (or the game code's in this process) can be timed:
// a plain build (under the sanitizers every step runs several times slower than a
// player's build) on a machine with fewer runnable tasks than processors, over the last
// minute and now. Elsewhere a test checks only that the program ends, not how soon.
bool MachineHasTimeToSpare();

// How many threads of this process the game made (named with its prefix; the
// toolkit's and drivers' threads come and go on their own and are not counted).
unsigned CountOwnThreads();

struct _XDisplay;  // Xlib's Display

// Waits up to timeoutMs for the X server named by DISPLAY to accept a connection, so a
// server busy with a burst of parallel test programs is not taken for a missing one,
// and returns that connection; null when the server never answers. Close it
// (XCloseDisplay) only once the toolkit has its own: a server started without
// -noreset resets when its last client leaves, and a toolkit connecting during that
// reset fails to start.
_XDisplay* WaitForXDisplay(int timeoutMs = 10000);

// Starts the toolkit (a plain application object) on the X server named by DISPLAY
// once the server answers. Null when all went well, else what failed.
const char* StartToolkitOnXDisplay(int& argc, char** argv);

// Starts an X server (args: the program, then its arguments; "-displayfd" is added)
// that picks a free display number itself, its output to outputPath ("" for none).
// Once it takes connections, within timeoutSeconds, and one Shift has been typed on it
// (its keyboard map then stays as the tests' keys find it), *display is ":N" and its
// process id is returned; otherwise -1, the server ended, and outputPath may tell why.
int StartXServerOnFreeDisplay(const std::vector<std::string>& args, const std::string& outputPath,
                              double timeoutSeconds, std::string* display);

// What a window manager sends on Alt+F4 or the close box: a WM_DELETE_WINDOW client
// message to the window (XSendEvent on this connection), synced so it is on its way.
void SendWindowCloseRequest(_XDisplay* display, unsigned long window);
