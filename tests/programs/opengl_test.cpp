// The program on an X server without OpenGL (no GLX: a remote display, some virtual
// machines): one line on standard error says why nothing can be drawn, once, and no
// assertion of the toolkit; Play shows the display problem prompt each time, and the
// program still ends cleanly on a close or SIGTERM.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <sys/stat.h>

#include "program_support.h"
#include "support/test_support.h"

namespace {

class NoOpenGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_desktop.reset(new PrivateDesktop("none", 20, false));
        ASSERT_TRUE(m_desktop->Ready()) << m_desktop->Problem();
        m_screen.reset(new TestScreen(m_desktop->Name()));
        ASSERT_TRUE(m_screen->Connected());
        mkdir((m_home.Path() + "/.config").c_str(), 0700);
        WriteWholeFile(m_home.Path() + "/.config/vorpane.conf", "[Registration]\nEulaVersion=1\n");
    }

    // A menu other than the one shown before.
    bool WaitForMenuAfter(const SeenWindow& before, SeenWindow* next) {
        const int width = m_screen->Width();
        return m_screen->WaitForWindow(
            [&](const SeenWindow& w) {
                return w.className == "Vorpane" && w.name.empty() && w.transientFor != 0 &&
                       w.width < width && w.width > 100 && w.id != before.id;
            },
            60, next);
    }

    // Home, then Play: the display problem prompt, as the game window cannot be opened.
    SeenWindow PlayToThePrompt(const SeenWindow& home) {
        m_screen->Type(home, "Return");
        SeenWindow prompt;
        EXPECT_TRUE(WaitForMenuAfter(home, &prompt)) << "no display problem prompt";
        return prompt;
    }

    // Standard error holds the one line about OpenGL and nothing else.
    void ExpectTheOneLine(const GameProcess& game) {
        const std::string errors = game.Errors();
        EXPECT_NE(errors.find("offers no OpenGL"), std::string::npos) << errors;
        EXPECT_NE(errors.find("GLX"), std::string::npos) << errors;
        EXPECT_EQ(errors.find('\n'), errors.size() - 1) << "more than one line:\n" << errors;
        EXPECT_EQ(errors.find("assertion"), std::string::npos) << errors;
    }

    std::unique_ptr<PrivateDesktop> m_desktop;
    std::unique_ptr<TestScreen> m_screen;
    TempDir m_home;
};

TEST_F(NoOpenGLTest, PlaySaysOnceThatThereIsNoOpenGLAndTheProgramStillEndsCleanly) {
    {
        GameProcess game(m_home.Path(), "C.UTF-8", m_desktop->Name());
        SeenWindow home, prompt, homeAgain;
        ASSERT_TRUE(m_screen->WaitForMenu(&home)) << "no home screen";
        prompt = PlayToThePrompt(home);
        m_screen->Type(prompt, "Escape");  // Cancel: back to the home screen
        ASSERT_TRUE(WaitForMenuAfter(prompt, &homeAgain)) << "no home screen after the prompt";
        prompt = PlayToThePrompt(homeAgain);
        SendWindowCloseRequest(m_screen->X(), prompt.id);
        EXPECT_EQ(game.Wait(30), 0) << "not ended by the close";
        ExpectTheOneLine(game);
    }
    GameProcess game(m_home.Path(), "C.UTF-8", m_desktop->Name());
    SeenWindow home;
    ASSERT_TRUE(m_screen->WaitForMenu(&home)) << "no home screen";
    PlayToThePrompt(home);
    game.Terminate();
    EXPECT_EQ(game.Wait(30), 0) << "not ended by SIGTERM";
    ExpectTheOneLine(game);
}

}  // namespace
