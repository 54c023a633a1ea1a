// A configuration store of the test's own (HOME and XDG_CONFIG_HOME in a temporary
// folder, loaded afresh on demand and dropped with the object), and the suite fixture
// that starts the toolkit such a store needs.
#pragma once

#include <gtest/gtest.h>
#include <wx/config.h>
#include <wx/init.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "app/app_config.h"
#include "support/test_support.h"

class PrivateStore {
public:
    enum LoadWhen { LoadNow, LoadLater };
    // Points HOME and XDG_CONFIG_HOME (its "xdg" folder, made here) into a fresh
    // folder; loads the store from it unless told to wait for the test's files.
    explicit PrivateStore(LoadWhen when = LoadNow) {
        setenv("HOME", m_dir.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_dir.Path() + "/xdg").c_str(), 1);
        mkdir((m_dir.Path() + "/xdg").c_str(), 0700);
        if (when == LoadNow) Load();
    }
    ~PrivateStore() { delete wxConfigBase::Set(nullptr); }
    // The configuration record read again from the store.
    void Load() {
        GameConfig = GameConfigRecord{};
        LoadGameConfigWithGlobalFile(GlobalFile().c_str());
    }
    // The user file as it is on disk.
    std::string Text() const { return ReadWholeFile(UserFile()); }

    const std::string& Folder() const { return m_dir.Path(); }  // HOME
    std::string UserFile() const { return m_dir.Path() + "/xdg/vorpane.conf"; }
    std::string GlobalFile() const { return m_dir.Path() + "/global.conf"; }  // none at first

private:
    TempDir m_dir;
};

// A suite whose tests use the toolkit without a display (the store is the toolkit's
// file configuration): started once for the suite, and the store left by its last
// test dropped before the toolkit ends.
class ToolkitTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(wxInitialize()); }
    static void TearDownTestSuite() {
        delete wxConfigBase::Set(nullptr);
        wxUninitialize();
    }
};
