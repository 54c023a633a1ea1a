// A completion survives the program being killed: a child run of this test program
// walks one campaign step (the first planet completed by the scripted player, as in
// campaign_step_test) in its own configuration folder and reports through a pipe when
// the completed screen starts; the test kills it there with SIGKILL and finds the best
// time, the unlock and the selections in the file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_config.h"
#include "campaign_walk.h"
#include "display/audio_message_recorder.h"
#include "displaysetup/private_store.h"

extern char** environ;

namespace {

// In the child: the descriptor of the pipe's writing end.
constexpr const char* kChildPipeVariable = "VORPANE_KILL_TEST_PIPE";
constexpr const char* kChildTest = "CampaignKill.DISABLED_CompletingChild";
constexpr int kWaitForCompletionMs = 180000;

int g_pipe = -1;

void ReportCompletedScreen(WalkStage stage) {
    if (stage != WalkStage::Complete) return;
    const char byte = 'c';
    if (write(g_pipe, &byte, 1) != 1) std::perror("kill test pipe");
}

// The child's part, run only by the test below (which names it on the command line).
TEST(CampaignKill, DISABLED_CompletingChild) {
    const char* pipe = std::getenv(kChildPipeVariable);
    const char* home = std::getenv("HOME");
    ASSERT_TRUE(pipe && home);
    g_pipe = std::atoi(pipe);
    GameConfig = GameConfigRecord{};
    LoadGameConfigWithGlobalFile((std::string(home) + "/global.conf").c_str());
    GameAudioRecorder audio;
    Walk walk;
    walk.answerComplete = false;
    walk.onEnter = ReportCompletedScreen;
    ASSERT_TRUE(BeginWalk(walk));
    RunCampaign(kWalkedScreens);
    EndWalk();
    ADD_FAILURE() << "the walk ended without being killed";
}

TEST(CampaignKill, ACompletionSurvivesAKillOnTheCompletedScreen) {
    PrivateStore store;  // HOME and XDG_CONFIG_HOME of the child too
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    // Everything the child needs is made before the fork: after it, only calls that
    // are safe in a child of a threaded process.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.push_back(std::string(kChildPipeVariable) + "=" + std::to_string(ends[1]));
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string filter = std::string("--gtest_filter=") + kChildTest;
    std::string disabled = "--gtest_also_run_disabled_tests";
    std::string self = "/proc/self/exe";
    char* argv[] = {self.data(), filter.data(), disabled.data(), nullptr};

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        fcntl(ends[1], F_SETFD, 0);  // the writing end stays open across the exec
        execve(argv[0], argv, envp.data());
        _exit(127);
    }
    close(ends[1]);
    pollfd ready = {ends[0], POLLIN, 0};
    char byte = 0;
    const bool reported = poll(&ready, 1, kWaitForCompletionMs) == 1 && read(ends[0], &byte, 1) == 1;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(ends[0]);
    ASSERT_TRUE(reported) << "the child never reached the completed screen (status " << status
                          << ")";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;

    // What the completion wrote is on disk: a best time, the second planet open and
    // selected, the galaxy and system chosen.
    const std::string text = store.Text();
    const long best = StoredConfigValue(text, "/Game/1/HighScore1");
    EXPECT_GT(best, 0) << text;
    EXPECT_LT(best, 900) << text;
    EXPECT_EQ(StoredConfigValue(text, "/Game/1/HighestPlanet"), 1) << text;
    EXPECT_EQ(StoredConfigValue(text, "/Game/1/SelectedPlanet1"), 1) << text;
    EXPECT_EQ(StoredConfigValue(text, "/Game/1/SelectedSystem"), 0) << text;
    EXPECT_EQ(StoredConfigValue(text, "/Game/SelectedGalaxy"), 0) << text;
    // And the game reads it back so.
    store.Load();
    EXPECT_EQ(GameConfig.BestTime[0][0], best);
    EXPECT_EQ(GameConfig.HighestPlanet[0], 1);
    EXPECT_EQ(GameConfig.SelectedPlanet[0][0], 1);
}

}  // namespace
