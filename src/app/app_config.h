// The configuration record: every setting and every piece of progress, loaded once
// at start-up and written back key by key when a value changes, or a batch of keys
// at once.
//
// The store is the toolkit's file configuration: the per-user file
// ($XDG_CONFIG_HOME/vorpane.conf when that is an absolute path, else
// ~/.config/vorpane.conf) backed by the machine-wide /etc/vorpane.conf for keys the
// user file lacks. Keys are absolute paths; the record's arrays are 0-based and the
// numbers in key names 1-based.
//
// Saving never loses what was stored: the whole file is written beside the old one,
// synced and renamed over it. A save writes the keys this run changed over the file as
// it is on disk then, so what another program saved meanwhile (a second game running
// at the same time) is kept, as it is with a store written key by key; the saves of
// games running at once take turns. A user file that is a symbolic link (or a chain of
// them) stays one: the file it leads to is replaced, beside itself, and created when
// missing; links that go round are reported and nothing is saved. A user file with
// lines that cannot be read is copied to vorpane.conf.bad (or .bad.1, ...) before it
// is replaced; one that cannot be read at all is left alone. A save never writes a
// file larger than a start reads (16 MiB): it fails instead. Such troubles and failed
// saves are reported on standard error, once each, and the game goes on with the
// values in memory.
#pragma once

#include <cstdint>

constexpr int kGalaxyCount = 4;
constexpr int kSystemsPerGalaxy = 10;
constexpr int kPlanetsPerSystem = 10;
constexpr int kPlanetsPerGalaxy = kSystemsPerGalaxy * kPlanetsPerSystem;

// Live from static initialisation to the end of the run; zero until LoadGameConfig.
struct GameConfigRecord {
    int32_t DropKey;            // toolkit key code of the drop control
    int32_t LeftKey;            // toolkit key code of steer-left
    int32_t RightKey;           // toolkit key code of steer-right
    int32_t MusicMode;          // 0 off, 1 play once, 2 loop
    int32_t SelectedGalaxy;     // galaxy last chosen, 0..3 (its users check the range)
    int32_t HighestPlanet[kGalaxyCount];   // highest unlocked planet index, 0..100
    int32_t SelectedSystem[kGalaxyCount];  // system last chosen, 0..9
    int32_t SelectedPlanet[kGalaxyCount][kSystemsPerGalaxy];  // planet last chosen, 0..9
    int32_t BestTime[kGalaxyCount][kPlanetsPerGalaxy];  // whole seconds; 0 = none yet
    int32_t AgreementVersion;   // first-start agreement accepted; 0 none
    int32_t DisplayIndex;       // monitor chosen for the game; -1 none yet
    int32_t DisplayTop;         // that monitor's area when chosen, desktop pixels
    int32_t DisplayLeft;
    int32_t DisplayWidth;
    int32_t DisplayHeight;
    int32_t GameWidth;          // full-screen display mode; 0 not chosen
    int32_t GameHeight;
    int32_t GameDepth;          // colour depth in bits; 0 not chosen
    int32_t QualityAutomatic;   // 1: the quality test chooses; 0: the values below
    int32_t Fade;
    int32_t SmoothPolygons;
    int32_t HighQualityModels;
    int32_t MagFilter;
    int32_t MinFilter;
    int32_t BackgroundTexture;
    int32_t ForegroundTexture;
    int32_t DebugFlags;         // bit 0 frame-rate overlay, bit 1 texture statistics
};

extern GameConfigRecord GameConfig;

// Every stored key, named by the record's field it holds. One table in the store gives
// each its key name in the file ("/Control/Drop", "/Game/%1/HighScore%2", ...), its
// field and its default; loading reads every key through it and the setters below
// write through it. HighestPlanet and SelectedSystem hold one value per galaxy,
// SelectedPlanet and BestTime one per system or planet of a galaxy, the rest one
// each. Every key takes any whole number in 32 bits (the record's users check the
// ranges they need).
enum class ConfigKey {
    DropKey,
    LeftKey,
    RightKey,
    MusicMode,
    SelectedGalaxy,
    HighestPlanet,
    SelectedSystem,
    SelectedPlanet,
    BestTime,
    AgreementVersion,
    DisplayIndex,
    DisplayTop,
    DisplayLeft,
    DisplayWidth,
    DisplayHeight,
    GameWidth,
    GameHeight,
    GameDepth,
    QualityAutomatic,
    Fade,
    SmoothPolygons,
    HighQualityModels,
    MagFilter,
    MinFilter,
    BackgroundTexture,
    ForegroundTexture,
    DebugFlags,
};

// Creates the store, makes it the toolkit's current configuration and reads every
// key with its default.
void LoadGameConfig();
// The same with the machine-wide file at globalFile in place of /etc/vorpane.conf.
void LoadGameConfigWithGlobalFile(const char* globalFile);

// *out := the stored value, or def when the key is missing, not a whole number, or
// outside 32 bits.
void ReadConfigInt(const char* key, int32_t* out, int32_t def);

// Writes one key and saves the file, so the value is on disk when this returns (in a
// batch, when the batch ends). The record's field is not touched: writers of the
// game's keys use SetConfigValue. When the save fails the value stays in the store
// and goes to disk with the next save that succeeds.
void WriteConfigInt(const char* key, int32_t value);

// Saves the whole current configuration if anything is not on disk yet.
void FlushGameConfig();

// Sets the key's field of GameConfig to value and writes the key, for a key that holds
// one value; on disk when this returns, or when the open batch ends.
void SetConfigValue(ConfigKey key, int32_t value);
// The same for a key with one value per galaxy (galaxy 0-based).
void SetConfigValue(ConfigKey key, unsigned galaxy, int32_t value);
// The same for a key with one value per system or planet of a galaxy (both 0-based).
void SetConfigValue(ConfigKey key, unsigned galaxy, unsigned index, int32_t value);

// A batch of writes: while one lives, writes stay in memory; when the outermost ends
// the file is saved once, so every write of the batch is on disk when it ends (or, when
// that save fails, goes with the next save that succeeds, as a single write would).
class ConfigWriteBatch {
public:
    ConfigWriteBatch();
    ~ConfigWriteBatch();
    ConfigWriteBatch(const ConfigWriteBatch&) = delete;
    ConfigWriteBatch& operator=(const ConfigWriteBatch&) = delete;
};

// How many saves of the settings file reached the disk in this run.
unsigned long ConfigSaveCount();
