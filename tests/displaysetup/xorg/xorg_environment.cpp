// The display setup's Xorg test environment: one server, one toolkit, one HOME.
#include "xorg_environment.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <cstdlib>

#include "app/app_config.h"
#include "display/dp_window.h"
#include "support/test_support.h"

namespace {

DummyXServer g_server;
bool g_up = false;
TempDir* g_home = nullptr;

class XorgEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        g_home = new TempDir;
        setenv("HOME", g_home->Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", g_home->Path().c_str(), 1);
        g_up = g_server.StartWithToolkit("displaysetup_xorg_tests");
        if (!g_up) return;
        wxImage::AddHandler(new wxPNGHandler);
        LoadGameConfig();
    }
    void TearDown() override {
        if (wxTheApp) {
            CloseGameWindow();
            wxEntryCleanup();
        }
        g_server.Stop();
        delete g_home;
    }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new XorgEnvironment);

}  // namespace

DummyXServer& XorgTestServer() { return g_server; }

bool XorgTestServerUp() { return g_up; }
