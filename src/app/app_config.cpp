// The configuration record and its file store.
#include "app/app_config.h"

#include <wx/fileconf.h>
#include <wx/stdpaths.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "app/app_format.h"

GameConfigRecord GameConfig;

namespace {

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

void CreateStore(const wxString& globalFile) {
    wxStandardPaths::Get().SetFileLayout(wxStandardPaths::FileLayout_XDG);
    wxFileConfig* store = new wxFileConfig("vorpane", "Quarnel", wxEmptyString, globalFile,
                                           wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE);
    // Values are numbers; "$HOME" in a hand-edited one must not be expanded.
    store->SetExpandEnvVars(false);
    delete wxConfigBase::Set(store);
}

void ReadAllKeys() {
    GameConfigRecord& c = GameConfig;
    ReadConfigInt("/Control/Drop", &c.DropKey, 32);
    ReadConfigInt("/Control/Left", &c.LeftKey, 314);
    ReadConfigInt("/Control/Right", &c.RightKey, 316);
    ReadConfigInt("/Player/Music", &c.MusicMode, 2);
    ReadConfigInt("/Game/SelectedGalaxy", &c.SelectedGalaxy, 1);
    ReadConfigPerGalaxy(c.HighestPlanet, "/Game/%1/HighestPlanet");
    ReadConfigPerGalaxy(c.SelectedSystem, "/Game/%1/SelectedSystem");
    ReadConfigPerGalaxyIndex(&c.SelectedPlanet[0][0], kSystemsPerGalaxy,
                             "/Game/%1/SelectedPlanet%2");
    ReadConfigPerGalaxyIndex(&c.BestTime[0][0], kPlanetsPerGalaxy, "/Game/%1/HighScore%2");
    ReadConfigInt("/Registration/EulaVersion", &c.AgreementVersion, 0);
    ReadConfigInt("/Display/Index", &c.DisplayIndex, -1);
    ReadConfigInt("/Display/Top", &c.DisplayTop, 0);
    ReadConfigInt("/Display/Left", &c.DisplayLeft, 0);
    ReadConfigInt("/Display/Width", &c.DisplayWidth, 0);
    ReadConfigInt("/Display/Height", &c.DisplayHeight, 0);
    ReadConfigInt("/Display/GameWidth", &c.GameWidth, 0);
    ReadConfigInt("/Display/GameHeight", &c.GameHeight, 0);
    ReadConfigInt("/Display/Depth", &c.GameDepth, 0);
    ReadConfigInt("/Display/Quality/Automatic", &c.QualityAutomatic, 1);
    ReadConfigInt("/Display/Quality/Fade", &c.Fade, 0);
    ReadConfigInt("/Display/Quality/SmoothPolygons", &c.SmoothPolygons, 0);
    ReadConfigInt("/Display/Quality/HighQualityModels", &c.HighQualityModels, 0);
    ReadConfigInt("/Display/Quality/MagFilter", &c.MagFilter, 0);
    ReadConfigInt("/Display/Quality/MinFilter", &c.MinFilter, 0);
    ReadConfigInt("/Display/Quality/BackgroundTexture", &c.BackgroundTexture, 0);
    ReadConfigInt("/Display/Quality/ForegroundTexture", &c.ForegroundTexture, 0);
    ReadConfigInt("/debug_flags", &c.DebugFlags, 0);
}

}  // namespace

void LoadGameConfig() {
    CreateStore(wxEmptyString);
    ReadAllKeys();
}

void LoadGameConfigWithGlobalFile(const char* globalFile) {
    CreateStore(wxString::FromUTF8(globalFile));
    ReadAllKeys();
}

void ReadConfigInt(const char* key, int32_t* out, int32_t def) {
    wxString text;
    if (wxConfigBase::Get()->Read(key, &text) && ParseInt32(text, out)) return;
    *out = def;
}

void ReadConfigPerGalaxy(int32_t* array, const char* keyFormat) {
    for (unsigned g = 0; g < kGalaxyCount; ++g)
        ReadConfigInt(FormatWithUnsigned(keyFormat, g + 1).c_str(), &array[g], 0);
}

void ReadConfigPerGalaxyIndex(int32_t* array, unsigned count, const char* keyFormat) {
    for (unsigned g = 0; g < kGalaxyCount; ++g)
        for (unsigned i = 0; i < count; ++i)
            ReadConfigInt(FormatWithTwoUnsigned(keyFormat, g + 1, i + 1).c_str(),
                          &array[g * count + i], 0);
}

void WriteConfigInt(const char* key, int32_t value) {
    wxConfigBase* store = wxConfigBase::Get();
    store->Write(key, static_cast<long>(value));
    // Each write is on disk when it returns, as a registry write would be. The file
    // store writes a temporary file and renames it over the old one, so a crash
    // mid-flush leaves the old file whole.
    store->Flush();
}

void WriteConfigPerGalaxy(int32_t* array, unsigned g, int32_t value, const char* keyFormat) {
    array[g] = value;
    WriteConfigInt(FormatWithUnsigned(keyFormat, g + 1).c_str(), value);
}

void WriteConfigPerGalaxyIndex(int32_t* array, unsigned count, unsigned g, unsigned i,
                               int32_t value, const char* keyFormat) {
    array[g * count + i] = value;
    WriteConfigInt(FormatWithTwoUnsigned(keyFormat, g + 1, i + 1).c_str(), value);
}

void FlushGameConfig() { wxConfigBase::Get()->Flush(false); }
