// The configuration record and its file store.
//
// The toolkit's file configuration holds the user's file in memory and the store
// writes it back itself (the toolkit's own flush deletes the old file before it
// renames the new one into place, so a crash in between would lose everything).
// Reading, the user's text is cleaned first: lines the toolkit cannot parse are left
// out and repeated groups merged, so the toolkit never reports a parse problem of
// its own.
#include "app/app_config.h"

#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/app_check.h"
#include "app/app_format.h"
#include "app/app_seams.h"

GameConfigRecord GameConfig;

namespace {

const char kUserFileName[] = "vorpane.conf";
const char kMachineWideFile[] = "/etc/vorpane.conf";
// Temporary files of a save are named after the file saved plus this and six random
// characters; any found at start-up are left over from a crash. The infix is the
// game's own, so that no file of the player's or of another program (a dotfile
// manager's own temporary file beside a linked settings file) is taken for one.
const char kTempInfix[] = ".vorpane-save-";
// A settings file larger than this is not a settings file: it is not read, and a save
// that would make one is not made.
constexpr off_t kMaxFileBytes = 16 << 20;
// The limit in force (a test may set a smaller one).
off_t MaxFileBytes() {
    return g_appSeams.maxFileBytes > 0 ? g_appSeams.maxFileBytes : kMaxFileBytes;
}
// At most this many copies of unreadable files are kept (.bad, .bad.1, ...).
constexpr int kMaxBadCopies = 100;

// ---- The keys ----------------------------------------------------------------------

// One stored key: its name, the record's field that holds it and its default. A
// per-galaxy key's name has %1 for the galaxy's number and, with more than one value a
// galaxy, %2 for the value's; both 1-based, where the record's arrays are 0-based.
struct KeyEntry {
    ConfigKey key;
    const char* name;
    size_t field;        // offset of the field (its first value) in GameConfigRecord
    unsigned galaxies;   // 1, or kGalaxyCount for one value or row per galaxy
    unsigned perGalaxy;  // values a galaxy: 1, kSystemsPerGalaxy or kPlanetsPerGalaxy
    int32_t def;         // when the key is missing, not a whole number or outside 32 bits
};

#define VP_FIELD(name) offsetof(GameConfigRecord, name)
// In the order loading reads them, by ConfigKey.
constexpr KeyEntry kKeys[] = {
    {ConfigKey::DropKey, "/Control/Drop", VP_FIELD(DropKey), 1, 1, 32},
    {ConfigKey::LeftKey, "/Control/Left", VP_FIELD(LeftKey), 1, 1, 314},
    {ConfigKey::RightKey, "/Control/Right", VP_FIELD(RightKey), 1, 1, 316},
    {ConfigKey::MusicMode, "/Player/Music", VP_FIELD(MusicMode), 1, 1, 2},
    {ConfigKey::SelectedGalaxy, "/Game/SelectedGalaxy", VP_FIELD(SelectedGalaxy), 1, 1, 1},
    {ConfigKey::HighestPlanet, "/Game/%1/HighestPlanet", VP_FIELD(HighestPlanet), kGalaxyCount,
     1, 0},
    {ConfigKey::SelectedSystem, "/Game/%1/SelectedSystem", VP_FIELD(SelectedSystem),
     kGalaxyCount, 1, 0},
    {ConfigKey::SelectedPlanet, "/Game/%1/SelectedPlanet%2", VP_FIELD(SelectedPlanet),
     kGalaxyCount, kSystemsPerGalaxy, 0},
    {ConfigKey::BestTime, "/Game/%1/HighScore%2", VP_FIELD(BestTime), kGalaxyCount,
     kPlanetsPerGalaxy, 0},
    {ConfigKey::AgreementVersion, "/Registration/EulaVersion", VP_FIELD(AgreementVersion), 1, 1,
     0},
    {ConfigKey::DisplayIndex, "/Display/Index", VP_FIELD(DisplayIndex), 1, 1, -1},
    {ConfigKey::DisplayTop, "/Display/Top", VP_FIELD(DisplayTop), 1, 1, 0},
    {ConfigKey::DisplayLeft, "/Display/Left", VP_FIELD(DisplayLeft), 1, 1, 0},
    {ConfigKey::DisplayWidth, "/Display/Width", VP_FIELD(DisplayWidth), 1, 1, 0},
    {ConfigKey::DisplayHeight, "/Display/Height", VP_FIELD(DisplayHeight), 1, 1, 0},
    {ConfigKey::GameWidth, "/Display/GameWidth", VP_FIELD(GameWidth), 1, 1, 0},
    {ConfigKey::GameHeight, "/Display/GameHeight", VP_FIELD(GameHeight), 1, 1, 0},
    {ConfigKey::GameDepth, "/Display/Depth", VP_FIELD(GameDepth), 1, 1, 0},
    {ConfigKey::QualityAutomatic, "/Display/Quality/Automatic", VP_FIELD(QualityAutomatic), 1,
     1, 1},
    {ConfigKey::Fade, "/Display/Quality/Fade", VP_FIELD(Fade), 1, 1, 0},
    {ConfigKey::SmoothPolygons, "/Display/Quality/SmoothPolygons", VP_FIELD(SmoothPolygons), 1,
     1, 0},
    {ConfigKey::HighQualityModels, "/Display/Quality/HighQualityModels",
     VP_FIELD(HighQualityModels), 1, 1, 0},
    {ConfigKey::MagFilter, "/Display/Quality/MagFilter", VP_FIELD(MagFilter), 1, 1, 0},
    {ConfigKey::MinFilter, "/Display/Quality/MinFilter", VP_FIELD(MinFilter), 1, 1, 0},
    {ConfigKey::BackgroundTexture, "/Display/Quality/BackgroundTexture",
     VP_FIELD(BackgroundTexture), 1, 1, 0},
    {ConfigKey::ForegroundTexture, "/Display/Quality/ForegroundTexture",
     VP_FIELD(ForegroundTexture), 1, 1, 0},
    {ConfigKey::DebugFlags, "/debug_flags", VP_FIELD(DebugFlags), 1, 1, 0},
};
#undef VP_FIELD

constexpr bool KeysInEnumOrder() {
    for (size_t k = 0; k < sizeof kKeys / sizeof kKeys[0]; ++k)
        if (kKeys[k].key != static_cast<ConfigKey>(k)) return false;
    return sizeof kKeys / sizeof kKeys[0] == static_cast<size_t>(ConfigKey::DebugFlags) + 1;
}
static_assert(KeysInEnumOrder(), "one table row per key, in the order of ConfigKey");

const KeyEntry& EntryOf(ConfigKey key) { return kKeys[static_cast<size_t>(key)]; }

// The record's value of entry for galaxy g and value i of it.
int32_t* FieldOf(const KeyEntry& entry, unsigned g, unsigned i) {
    int32_t* first = reinterpret_cast<int32_t*>(reinterpret_cast<char*>(&GameConfig) + entry.field);
    return first + g * entry.perGalaxy + i;
}

std::string KeyName(const KeyEntry& entry, unsigned g, unsigned i) {
    if (entry.galaxies == 1) return entry.name;
    if (entry.perGalaxy == 1) return FormatWithUnsigned(entry.name, g + 1);
    return FormatWithTwoUnsigned(entry.name, g + 1, i + 1);
}

// Open batches of writes (ConfigWriteBatch); main thread only, as the store is.
int g_openBatches = 0;
// Saves that reached the disk this run.
unsigned long g_saveCount = 0;

// Parses a whole decimal number that fits in 32 bits, with optional blanks around it.
bool ParseInt32(const wxString& text, int32_t* out) {
    std::string s = text.ToStdString();
    const char* begin = s.c_str();
    while (*begin == ' ' || *begin == '\t') ++begin;
    if (*begin == 0) return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE) return false;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != 0) return false;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    *out = static_cast<int32_t>(v);
    return true;
}

// ---- Reading and cleaning a file's text --------------------------------------------

// The part of a configuration text the toolkit can parse, and how much was not.
struct ConfigText {
    std::string text;      // the readable lines, each group once
    int badLines = 0;      // lines left out; their keys take their defaults
    int firstBadLine = 0;  // 1-based number of the first of them
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// U+FEFF in UTF-8.
const char kByteOrderMark[] = "\xEF\xBB\xBF";

// Strict UTF-8 (no overlong forms, surrogates or NUL): what the toolkit's decoder
// takes. One line it refused would make it drop the whole text.
bool IsValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == 0) return false;
        if (c < 0x80) {
            ++i;
            continue;
        }
        const int more = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2
                         : c >= 0xF0 && c <= 0xF4                ? 3
                                                                 : 0;
        if (more == 0 || i + more >= s.size()) return false;
        const unsigned char second = static_cast<unsigned char>(s[i + 1]);
        const unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
        if (second < low || second > high) return false;
        for (int k = 2; k <= more; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += more + 1;
    }
    return true;
}

// True for a line that cannot be read and would be a group header but for its
// undecodable bytes: its first byte that is no blank, NUL or part of a byte-order mark
// or of another character outside ASCII is "[".
bool LooksLikeHeader(const std::string& line) {
    for (const char c : line) {
        if (c == '[') return true;
        if (!IsBlank(c) && c != '\0' && static_cast<unsigned char>(c) < 0x80) return false;
    }
    return false;
}

// Drops the toolkit's escaping backslashes ("\x" is "x"; one at the end goes).
std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && ++i == s.size()) break;
        out += s[i];
    }
    return out;
}

// The toolkit compares group and entry names without regard to case; the store has it
// do so for ASCII letters only (NameMatching), as here, so that a name matches the same
// way under every locale (under a Turkish one "I" is no capital "i").
std::string FoldCase(const std::string& name) {
    std::string folded = name;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

// While it lives, the calling thread's locale is the "C" one, whose case rules know
// the ASCII letters alone: the toolkit's configuration compares names by the locale's,
// and the game's keys must be found under every locale the player runs it in.
class NameMatching {
public:
    NameMatching() {
        static const locale_t ascii = newlocale(LC_ALL_MASK, "C", locale_t(0));
        if (ascii) m_previous = uselocale(ascii);
    }
    ~NameMatching() {
        if (m_previous) uselocale(m_previous);
    }
    NameMatching(const NameMatching&) = delete;
    NameMatching& operator=(const NameMatching&) = delete;

private:
    locale_t m_previous = locale_t(0);
};

// A group's path from a header's name: empty and "." parts skipped, ".." going up;
// "" is the root. The toolkit's own reading of "." differs ("a/./b" is its "a/.b"),
// so the cleaned text gives it only headers written back from this path.
std::string GroupPath(const std::string& name) {
    std::vector<std::string> parts;
    const std::string plain = Unescape(name);
    size_t begin = 0;
    while (begin <= plain.size()) {
        size_t end = plain.find('/', begin);
        if (end == std::string::npos) end = plain.size();
        const std::string part = plain.substr(begin, end - begin);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        begin = end + 1;
    }
    std::string path;
    for (const std::string& part : parts) path += (path.empty() ? "" : "/") + part;
    return path;
}

// A group header for path that the toolkit reads back as exactly that path: the
// characters that would end or escape the name are escaped.
std::string GroupHeader(const std::string& path) {
    std::string header = "[";
    for (const char c : path) {
        if (c == ']' || c == '\\') header += '\\';
        header += c;
    }
    return header + "]";
}

// Splits at "\n", "\r\n" and "\r", as the toolkit's text buffers do.
std::vector<std::string> SplitLines(const std::string& raw) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// The readable lines of a configuration file, by the toolkit's own rules: blank lines
// and comments ("#", ";"); group headers "[path]" with nothing but a comment after
// them; entries "name = value". Left out are lines that are not valid UTF-8, entries
// without "=", broken headers and headers that are not valid UTF-8 with the entries
// under them (their group is unknown), and the earlier of two entries with the same
// name in a group (the toolkit keeps the later). A group that appears twice is merged
// into its first appearance, which the toolkit's model cannot represent otherwise,
// and every header is written back from its path. Names match regardless of case, as
// in the toolkit. Byte-order marks at the start of lines and the lock marks of
// entries go.
ConfigText CleanConfigText(const std::string& raw) {
    struct Line {
        std::string text;
        bool dropped;
        int number;
    };
    struct Group {
        std::string header;  // empty for the root
        std::vector<Line> lines;
        std::map<std::string, size_t> entries;  // name -> its line
    };
    ConfigText result;
    auto markBad = [&](int number) {
        ++result.badLines;
        if (result.firstBadLine == 0 || number < result.firstBadLine)
            result.firstBadLine = number;
    };
    std::vector<Group> groups(1);
    std::map<std::string, size_t> groupIndex{{"", 0}};
    constexpr size_t kUnknown = SIZE_MAX;  // under a broken header
    size_t current = 0;

    const std::vector<std::string> lines = SplitLines(raw);
    for (size_t n = 0; n < lines.size(); ++n) {
        std::string line = lines[n];
        const int number = static_cast<int>(n) + 1;
        if (!IsValidUtf8(line)) {
            markBad(number);
            // One that reads as a header once its undecodable bytes are passed over
            // names a group that is unknown: the entries under it are left out, as
            // under a broken header, lest they land in the group before it.
            if (LooksLikeHeader(line)) current = kUnknown;
            continue;
        }
        // A byte-order mark is no text: at the file's start or where an editor joined
        // two files, before or among the leading blanks, it goes.
        size_t start = 0;
        for (;;) {
            while (start < line.size() && IsBlank(line[start])) ++start;
            if (line.compare(start, 3, kByteOrderMark) != 0) break;
            line.erase(start, 3);
        }
        if (start == line.size() || line[start] == '#' || line[start] == ';') {
            if (current != kUnknown) groups[current].lines.push_back({line, false, number});
            continue;
        }
        if (line[start] == '[') {
            size_t end = start + 1;
            while (end < line.size() && line[end] != ']') end += line[end] == '\\' ? 2 : 1;
            if (end >= line.size()) {
                markBad(number);
                current = kUnknown;
                continue;
            }
            size_t rest = end + 1;
            while (rest < line.size() && IsBlank(line[rest])) ++rest;
            if (rest < line.size() && line[rest] != '#' && line[rest] != ';') markBad(number);
            const std::string path = GroupPath(line.substr(start + 1, end - start - 1));
            auto found = groupIndex.find(FoldCase(path));
            if (found == groupIndex.end()) {
                found = groupIndex.emplace(FoldCase(path), groups.size()).first;
                groups.push_back(Group{GroupHeader(path), {}, {}});
            }
            current = found->second;
            continue;
        }
        // The toolkit would refuse every write of a key marked "immutable" by a leading
        // "!" (escaped or not); the user's own file cannot hold the machine's locks, so
        // every mark goes, and any byte-order mark after one, unless the rest would
        // read as something else.
        bool marked = false;
        for (;;) {
            if (line.compare(start, 1, "!") == 0) {
                line.erase(start, 1);
            } else if (line.compare(start, 2, "\\!") == 0) {
                line.erase(start, 2);
            } else if (marked && line.compare(start, 3, kByteOrderMark) == 0) {
                line.erase(start, 3);
            } else {
                break;
            }
            marked = true;
        }
        if (marked) {
            const char next = start < line.size() ? line[start] : '=';
            if (next == '[' || next == '#' || next == ';' || next == '=' || IsBlank(next)) {
                markBad(number);
                continue;
            }
        }
        size_t end = start;
        while (end < line.size() && line[end] != '=') end += line[end] == '\\' ? 2 : 1;
        if (end >= line.size() || current == kUnknown) {
            markBad(number);
            continue;
        }
        size_t nameEnd = end;
        while (nameEnd > start && (IsBlank(line[nameEnd - 1]))) --nameEnd;
        std::string name = FoldCase(Unescape(line.substr(start, nameEnd - start)));
        if (name.empty()) {
            markBad(number);
            continue;
        }
        Group& group = groups[current];
        auto earlier = group.entries.find(name);
        if (earlier != group.entries.end()) {
            Line& old = group.lines[earlier->second];
            old.dropped = true;
            markBad(old.number);
        }
        group.entries[name] = group.lines.size();
        group.lines.push_back({line, false, number});
    }
    for (const Group& group : groups) {
        if (!group.header.empty()) result.text += group.header + "\n";
        for (const Line& line : group.lines)
            if (!line.dropped) result.text += line.text + "\n";
    }
    return result;
}

// ---- Files -------------------------------------------------------------------------

// Reads a whole regular file. 0, or the errno of what failed (ENOENT: no file; EISDIR
// a folder; EINVAL another kind of file; EFBIG too large to be settings).
int ReadRegularFile(const std::string& path, std::string* out, mode_t* mode = nullptr) {
    // Non-blocking, so a named pipe in the file's place cannot hang the open.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno;
    struct stat st {};
    int err = fstat(fd, &st) != 0          ? errno
              : S_ISDIR(st.st_mode)        ? EISDIR
              : !S_ISREG(st.st_mode)       ? EINVAL
              : st.st_size > MaxFileBytes() ? EFBIG
                                           : 0;
    out->clear();
    char buffer[65536];
    while (err == 0) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) err = errno;
        if (got <= 0) break;
        out->append(buffer, static_cast<size_t>(got));
        if (static_cast<off_t>(out->size()) > MaxFileBytes()) err = EFBIG;
    }
    close(fd);
    if (mode) *mode = st.st_mode & 07777;
    return err;
}

int WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return errno;
        if (put == 0) return ENOSPC;
        done += static_cast<size_t>(put);
    }
    return 0;
}

// fsync, or what a test put in its place.
int SyncFile(int fd) { return g_appSeams.syncFile ? g_appSeams.syncFile(fd) : fsync(fd); }

// Makes a rename or a new name in folder durable. Failure loses nothing already
// written, so it is not reported.
void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    SyncFile(fd);
    close(fd);
}

// Creates folder and any missing parents, mode 0700. 0 or an errno.
int MakeFolders(const std::string& folder) {
    for (size_t slash = 1; slash <= folder.size(); ++slash) {
        if (slash < folder.size() && folder[slash] != '/') continue;
        const std::string prefix = folder.substr(0, slash);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

// Replaces path by bytes: written to a temporary file in the same folder, synced,
// renamed over path, the folder synced. At every moment path is the old file or the
// new one, whole. 0, or the errno of the step that failed; then path is as it was
// and no temporary file is left.
int ReplaceFile(const std::string& folder, const std::string& path, const std::string& bytes,
                mode_t mode) {
    std::string temp = path + kTempInfix + "XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    int err = fchmod(fd, mode) != 0 ? errno : 0;
    if (err == 0) err = WriteAll(fd, bytes);
    if (err == 0 && SyncFile(fd) != 0) err = errno;
    if (close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        unlink(temp.c_str());
        return err;
    }
    SyncFolder(folder);
    return 0;
}

// Keeps bytes (an unreadable settings file) under the first free name of path.bad,
// path.bad.1, ...; a copy already there with the same bytes serves. 0 with the name
// in *kept (and *made true when the copy is a new one), or an errno.
int KeepBadCopy(const std::string& folder, const std::string& path, const std::string& bytes,
                std::string* kept, bool* made = nullptr) {
    if (made) *made = false;
    for (int n = 0; n < kMaxBadCopies; ++n) {
        const std::string name = path + ".bad" + (n ? "." + std::to_string(n) : "");
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno != EEXIST) return errno;
            std::string existing;
            if (ReadRegularFile(name, &existing) == 0 && existing == bytes) {
                *kept = name;
                return 0;
            }
            continue;
        }
        int err = WriteAll(fd, bytes);
        if (err == 0 && SyncFile(fd) != 0) err = errno;
        if (close(fd) != 0 && err == 0) err = errno;
        if (err != 0) {
            unlink(name.c_str());
            return err;
        }
        SyncFolder(folder);
        *kept = name;
        if (made) *made = true;
        return 0;
    }
    return EEXIST;
}

// Holds the lock of a folder (an advisory lock on the folder itself, so nothing is
// added to it) while it lives: the saves of the settings file in that folder by
// every game running take turns. A holder that does not let go within two seconds
// (a stopped program) is not waited for longer: the save goes ahead unlocked.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
        : m_fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (m_fd < 0) return;
        for (int tries = 0; tries < 400; ++tries) {
            if (flock(m_fd, LOCK_EX | LOCK_NB) == 0 || (errno != EWOULDBLOCK && errno != EINTR))
                return;
            usleep(5000);
        }
    }
    ~FolderLock() {
        if (m_fd >= 0) close(m_fd);  // lets the lock go
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd;
};

// The folder part of an absolute path ("/" for a file at the root).
std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// The file path names once every symbolic link on the way to it is followed, as
// dotfile managers link settings files into a folder of their own: path itself when
// it is no link, the last name of the chain when that does not exist yet. 0, or
// ELOOP for a chain that goes round, or the errno of what could not be looked at.
int FollowLinks(const std::string& path, std::string* target) {
    constexpr int kMaxLinks = 40;  // as the kernel allows when it follows them itself
    std::string current = path;
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat st {};
        if (lstat(current.c_str(), &st) != 0 && errno != ENOENT) return errno;
        if (!S_ISLNK(st.st_mode)) {  // a file, or nothing yet: a save creates it
            *target = current;
            return 0;
        }
        char link[4096];
        const ssize_t length = readlink(current.c_str(), link, sizeof link);
        if (length < 0) return errno;
        if (static_cast<size_t>(length) == sizeof link) return ENAMETOOLONG;
        const std::string next(link, static_cast<size_t>(length));
        // A relative link is relative to the folder that holds it.
        current = next[0] == '/' ? next : FolderOf(current) + "/" + next;
    }
    return ELOOP;
}

// True for the names a save of the file named base writes to and renames away: base,
// the infix and the six characters mkostemp puts in, nothing else.
bool IsTempFileName(const char* name, const std::string& base) {
    const std::string ours = base + kTempInfix;
    if (std::strncmp(name, ours.c_str(), ours.size()) != 0) return false;
    const char* random = name + ours.size();
    if (std::strlen(random) != 6) return false;
    for (; *random; ++random) {
        const char c = *random;
        if (!(c >= 'A' && c <= 'Z') && !(c >= 'a' && c <= 'z') && !(c >= '0' && c <= '9'))
            return false;
    }
    return true;
}

// Removes the temporary files that saves of the settings file at path left when a
// crash cut them short; none is ever read. The folder's lock keeps the temporary file
// of a save another game is making now.
void RemoveLeftoverTempFiles(const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string base = path.substr(path.rfind('/') + 1);
    const FolderLock lock(folder);
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        if (!IsTempFileName(entry->d_name, base)) continue;
        const std::string path = folder + "/" + entry->d_name;
        struct stat st {};
        if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) unlink(path.c_str());
    }
    closedir(dir);
}

// The folder of the user's settings: $XDG_CONFIG_HOME when it is an absolute path,
// else ~/.config. Empty when no home folder is known.
std::string UserConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    std::string home;
    if (const char* env = std::getenv("HOME"); env && env[0] == '/') home = env;
    if (home.empty())
        if (const passwd* user = getpwuid(getuid()); user && user->pw_dir && user->pw_dir[0] == '/')
            home = user->pw_dir;
    if (home.empty()) return "";
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    return (home == "/" ? "" : home) + "/.config";
}

const char* Plural(int n) { return n == 1 ? "" : "s"; }

// ---- The store ---------------------------------------------------------------------

// The user's file, where the store saves it.
struct UserFile {
    std::string folder;
    std::string path;
    mode_t mode;    // permissions a new file gets
    bool writable;  // false: it could not be read (or kept aside) and must stay as it is
};

// The toolkit's file configuration over the user's cleaned text, with the
// machine-wide file behind it for keys the user's lacks, saving through
// ReplaceFile. Keys written stay in memory whether a save succeeds or not; the next
// save that succeeds stores them all.
class CGameConfigStore : public wxFileConfig {
public:
    CGameConfigStore(wxInputStream& userText, std::unique_ptr<wxFileConfig> machineWide,
                     UserFile file)
        : wxFileConfig(userText, wxConvUTF8),
          m_machineWide(std::move(machineWide)),
          m_file(std::move(file)) {
        // The toolkit has no file name to write to; its destructor must not try.
        DisableAutoSave();
    }
    ~CGameConfigStore() override { CGameConfigStore::Flush(); }

    bool Flush(bool /*currentOnly*/ = false) override {
        if (m_unsaved.empty()) return true;
        if (!m_file.writable) return false;
        // A link is kept and the file it leads to replaced, in that file's folder.
        std::string target;
        int err = FollowLinks(m_file.path, &target);
        const std::string folder = FolderOf(target);
        if (err == 0) err = MakeFolders(folder);
        {
            // Another game's save between this one's reading the file and replacing it
            // would be undone.
            const FolderLock lock(folder);
            std::string bytes;
            mode_t mode = m_file.mode;
            if (err == 0) err = SavedText(target, &bytes, &mode);
            // A file the next start would refuse to read is never written: the old one
            // stays, and the keys stay in memory for a save that fits.
            if (err == 0 && bytes.size() > static_cast<size_t>(MaxFileBytes())) err = EFBIG;
            if (err == 0) err = ReplaceFile(folder, target, bytes, mode);
        }
        if (err != 0) {
            if (!m_failureReported)
                std::fprintf(stderr,
                             "vorpane: cannot save the settings to %s (%s); the file is left "
                             "as it was, and this run's changes are saved with the next save "
                             "that succeeds\n",
                             m_file.path.c_str(), std::strerror(err));
            m_failureReported = true;
            return false;
        }
        m_unsaved.clear();
        ++g_saveCount;
        return true;
    }

protected:
    bool DoReadString(const wxString& key, wxString* out) const override {
        const NameMatching ascii;
        if (wxFileConfig::DoReadString(key, out)) return true;
        if (!m_machineWide) return false;
        const wxString absolute = key.StartsWith("/") ? key : GetPath() + "/" + key;
        return m_machineWide->Read(absolute, out);
    }
    bool DoWriteString(const wxString& key, const wxString& value) override {
        const NameMatching ascii;
        const wxString absolute = key.StartsWith("/") ? key : GetPath() + "/" + key;
        m_unsaved[FoldCase(std::string(absolute.utf8_str()))] = {absolute, value};
        return wxFileConfig::DoWriteString(key, value);
    }
    bool DoWriteLong(const wxString& key, long value) override {
        return DoWriteString(key, wxString::Format("%ld", value));
    }

private:
    // The text a save writes: the file at target as it is now with this run's unsaved
    // keys written over it, so keys another program saved meanwhile stay (a second
    // game running at the same time, say); this run's whole store when the file is
    // gone. 0, or the errno of a file that cannot be read now: it is left alone, as at
    // start-up. One with lines that cannot be read is kept aside first, as at start-up.
    // *mode becomes the permissions the file has now (the player may have changed
    // them since the start); it is left as it is when there is no file.
    int SavedText(const std::string& target, std::string* bytes, mode_t* mode) {
        std::string raw;
        ConfigText clean;
        mode_t current = 0;
        const int readErr = ReadRegularFile(target, &raw, &current);
        if (readErr != 0 && readErr != ENOENT) return readErr;
        const bool readable = readErr == 0;
        if (readable) {
            *mode = current;
            clean = CleanConfigText(raw);
            if (clean.badLines) {
                std::string kept;
                bool made = false;
                const int err = KeepBadCopy(FolderOf(target), target, raw, &kept, &made);
                if (err != 0) return err;
                if (made)
                    std::fprintf(stderr, "vorpane: %d line%s of the settings file %s cannot be "
                                         "read (the first is line %d); the file as it was is "
                                         "kept as %s\n",
                                 clean.badLines, Plural(clean.badLines), m_file.path.c_str(),
                                 clean.firstBadLine, kept.c_str());
            }
        }
        wxMemoryOutputStream out;
        const NameMatching ascii;
        if (readable) {
            wxLogNull quiet;  // the text is clean: nothing to say
            wxMemoryInputStream in(clean.text.data(), clean.text.size());
            wxFileConfig merged(in, wxConvUTF8);
            merged.SetExpandEnvVars(false);
            merged.DisableAutoSave();
            for (const auto& written : m_unsaved)
                merged.Write(written.second.first, written.second.second);
            merged.Save(out, wxConvUTF8);
        } else {
            Save(out, wxConvUTF8);
        }
        bytes->assign(out.GetLength(), '\0');
        out.CopyTo(bytes->data(), bytes->size());
        return 0;
    }

    std::unique_ptr<wxFileConfig> m_machineWide;  // null when there is none
    UserFile m_file;
    // Keys written and not on disk yet, by their absolute path in lower case (the
    // toolkit's names ignore case): the path as written and the value.
    std::map<std::string, std::pair<wxString, wxString>> m_unsaved;
    bool m_failureReported = false;  // a failed save is reported once a run
};

std::unique_ptr<wxFileConfig> LoadMachineWide(const std::string& path) {
    std::string raw;
    const int err = ReadRegularFile(path, &raw);
    if (err == ENOENT) return nullptr;
    if (err != 0) {
        std::fprintf(stderr, "vorpane: cannot read %s (%s); it is ignored\n", path.c_str(),
                     std::strerror(err));
        return nullptr;
    }
    const ConfigText clean = CleanConfigText(raw);
    if (clean.badLines)
        std::fprintf(stderr, "vorpane: %d line%s of %s cannot be read (the first is line %d); "
                             "they are ignored\n",
                     clean.badLines, Plural(clean.badLines), path.c_str(), clean.firstBadLine);
    const NameMatching ascii;
    wxLogNull quiet;  // the text is clean: nothing to say
    wxMemoryInputStream in(clean.text.data(), clean.text.size());
    auto config = std::make_unique<wxFileConfig>(in, wxConvUTF8);
    config->SetExpandEnvVars(false);
    config->DisableAutoSave();
    return config;
}

// Reads the user's file: its readable text, and whether and where it may be saved.
// Reports on standard error, in one line, a file that cannot be read and one with
// lines that cannot, which is copied aside before anything replaces it.
std::string LoadUserFile(UserFile* file) {
    const mode_t mask = umask(0);
    umask(mask);
    file->folder = UserConfigFolder();
    file->mode = 0666 & ~mask;
    file->writable = false;
    if (file->folder.empty()) {
        std::fprintf(stderr, "vorpane: no home folder is known; the default settings are used "
                             "and changes are not saved\n");
        return "";
    }
    file->path = file->folder + "/" + kUserFileName;
    RemoveLeftoverTempFiles(file->path);
    if (std::string target; FollowLinks(file->path, &target) == 0 && target != file->path)
        RemoveLeftoverTempFiles(target);

    std::string raw;
    mode_t mode = 0;
    const int err = ReadRegularFile(file->path, &raw, &mode);
    if (err == ENOENT) {
        file->writable = true;
        return "";
    }
    if (err != 0) {
        std::fprintf(stderr, "vorpane: cannot read the settings file %s (%s); the default "
                             "settings are used and the file is left as it is\n",
                     file->path.c_str(), std::strerror(err));
        return "";
    }
    file->mode = mode;
    ConfigText clean = CleanConfigText(raw);
    file->writable = true;
    if (clean.badLines) {
        std::string kept;
        const int copyErr = KeepBadCopy(file->folder, file->path, raw, &kept);
        file->writable = copyErr == 0;
        const std::string fate =
            copyErr == 0 ? "the file as it was is kept as " + kept
                         : std::string("as no copy of it could be kept (") +
                               std::strerror(copyErr) + ") it is left as it is";
        std::fprintf(stderr, "vorpane: %d line%s of the settings file %s cannot be read (the "
                             "first is line %d); the rest is used, and %s\n",
                     clean.badLines, Plural(clean.badLines), file->path.c_str(),
                     clean.firstBadLine, fate.c_str());
    }
    return clean.text;
}

// A save over the process's file-size limit would end the program with SIGXFSZ and
// leave a temporary file half written; ignored, the write fails with EFBIG and the
// save is a failed one like that on a full disk. The store is made at start-up, before
// any other file is written, so this covers the program's every writer (the display
// modes' file too). A handler the program installed is left alone.
void IgnoreFileSizeSignal() {
    struct sigaction current {};
    if (sigaction(SIGXFSZ, nullptr, &current) != 0) return;
    if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_DFL)
        std::signal(SIGXFSZ, SIG_IGN);
}

void CreateStore(const std::string& globalFile) {
    VP_CHECK(g_openBatches == 0, "the settings are loaded again inside a batch of writes");
    IgnoreFileSizeSignal();
    // The store in use saves what it still holds before the files are read again.
    delete wxConfigBase::Set(nullptr);
    UserFile file;
    const std::string userText = LoadUserFile(&file);
    std::unique_ptr<wxFileConfig> machineWide =
        LoadMachineWide(globalFile.empty() ? kMachineWideFile : globalFile);
    CGameConfigStore* store;
    {
        const NameMatching ascii;
        wxLogNull quiet;  // the text is clean: nothing to say
        wxMemoryInputStream in(userText.data(), userText.size());
        store = new CGameConfigStore(in, std::move(machineWide), std::move(file));
    }
    store->SetAppName("vorpane");
    store->SetVendorName("Quarnel");
    // Values are numbers; "$HOME" in a hand-edited one must not be expanded.
    store->SetExpandEnvVars(false);
    wxConfigBase::Set(store);
}

void ReadAllKeys() {
    for (const KeyEntry& entry : kKeys)
        for (unsigned g = 0; g < entry.galaxies; ++g)
            for (unsigned i = 0; i < entry.perGalaxy; ++i)
                ReadConfigInt(KeyName(entry, g, i).c_str(), FieldOf(entry, g, i), entry.def);
}

// Sets value i of galaxy g of the key's field and writes it.
void SetEntryValue(const KeyEntry& entry, unsigned g, unsigned i, int32_t value) {
    VP_CHECK(g < entry.galaxies && i < entry.perGalaxy,
             "a galaxy or entry number outside the key's field");
    *FieldOf(entry, g, i) = value;
    WriteConfigInt(KeyName(entry, g, i).c_str(), value);
}

}  // namespace

void LoadGameConfig() {
    CreateStore("");
    ReadAllKeys();
}

void LoadGameConfigWithGlobalFile(const char* globalFile) {
    CreateStore(globalFile ? globalFile : "");
    ReadAllKeys();
}

void ReadConfigInt(const char* key, int32_t* out, int32_t def) {
    wxString text;
    if (wxConfigBase::Get()->Read(key, &text) && ParseInt32(text, out)) return;
    *out = def;
}

void WriteConfigInt(const char* key, int32_t value) {
    wxConfigBase* store = wxConfigBase::Get();
    store->Write(key, static_cast<long>(value));
    // Each write is on disk when it returns, as a registry write would be; in a batch,
    // when the batch ends.
    if (g_openBatches == 0) store->Flush();
}

void FlushGameConfig() { wxConfigBase::Get()->Flush(false); }

void SetConfigValue(ConfigKey key, int32_t value) {
    const KeyEntry& entry = EntryOf(key);
    VP_CHECK(entry.galaxies == 1, "a per-galaxy key set without its galaxy");
    SetEntryValue(entry, 0, 0, value);
}

void SetConfigValue(ConfigKey key, unsigned galaxy, int32_t value) {
    const KeyEntry& entry = EntryOf(key);
    VP_CHECK(entry.galaxies > 1 && entry.perGalaxy == 1,
             "a key set as one value per galaxy that is not");
    SetEntryValue(entry, galaxy, 0, value);
}

void SetConfigValue(ConfigKey key, unsigned galaxy, unsigned index, int32_t value) {
    const KeyEntry& entry = EntryOf(key);
    VP_CHECK(entry.perGalaxy > 1, "a key set as several values per galaxy that is not");
    SetEntryValue(entry, galaxy, index, value);
}

ConfigWriteBatch::ConfigWriteBatch() { ++g_openBatches; }

ConfigWriteBatch::~ConfigWriteBatch() {
    if (--g_openBatches == 0) wxConfigBase::Get()->Flush();
}

unsigned long ConfigSaveCount() { return g_saveCount; }
