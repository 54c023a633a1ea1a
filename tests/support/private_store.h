// A configuration store of the test's own: HOME and XDG_CONFIG_HOME in a temporary
// folder, loaded afresh on demand and dropped with the object.
#pragma once

#include <wx/config.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "app/app_config.h"
#include "support/test_support.h"

class PrivateStore {
public:
    PrivateStore() {
        setenv("HOME", m_dir.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_dir.Path() + "/xdg").c_str(), 1);
        mkdir((m_dir.Path() + "/xdg").c_str(), 0700);
        Load();
    }
    ~PrivateStore() { delete wxConfigBase::Set(nullptr); }
    // The configuration record read again from the store.
    void Load() {
        GameConfig = GameConfigRecord{};
        LoadGameConfigWithGlobalFile((m_dir.Path() + "/global.conf").c_str());
    }
    // The user file as it is on disk.
    std::string Text() const { return ReadWholeFile(m_dir.Path() + "/xdg/vorpane.conf"); }

private:
    TempDir m_dir;
};
