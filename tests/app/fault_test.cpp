// Internal faults end the process with exit code -1 and their GUID on standard
// error; reference-counted objects delete themselves at the last release.
#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "app/app_check.h"
#include "app/app_fault.h"
#include "app/app_refcount.h"
#include "support/test_support.h"

namespace {

int g_hookOrder[4];
int g_hookCalls;
void FirstHook() { g_hookOrder[g_hookCalls++] = 1; }
void SecondHook() { g_hookOrder[g_hookCalls++] = 2; }

TEST(InternalFault, UnhandledFaultReportsGuidAndExitsMinusOne) {
    TempDir dir;
    std::string errPath = dir.Path() + "/stderr.txt";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int fd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 2);
        try {
            ThrowInternalFault("{7C59ED93-7B31-46ea-BAE3-A553AD8AF47C}");
        } catch (...) {
            ExitOnUnhandledException();
        }
        _exit(0);  // not reached
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 255);  // -1 as the process sees it
    EXPECT_NE(ReadWholeFile(errPath).find("{7C59ED93-7B31-46ea-BAE3-A553AD8AF47C}"),
              std::string::npos);
}

void HookSaysSo() { std::fputs("hook ran\n", stderr); }

// The tests' build has the checks compiled in: a kept rule costs nothing, a broken one
// names itself and where, runs the emergency hooks and aborts.
TEST(RuntimeCheckDeathTest, AFailedCheckNamesItselfRunsTheHooksAndAborts) {
    ASSERT_EQ(VORPANE_CHECKS, 1);
    int evaluated = 0;
    VP_CHECK(++evaluated == 1, "never fails");
    EXPECT_EQ(evaluated, 1);
    EXPECT_DEATH(
        {
            AddEmergencyHook(HookSaysSo);
            VP_CHECK(evaluated == 2, "the count is two");
        },
        "vorpane: check failed: the count is two \\(.*fault_test.cpp:[0-9]+\\)\n"
        "hook ran");
}

TEST(InternalFault, EmergencyHooksRunOnceNewestFirst) {
    g_hookCalls = 0;
    AddEmergencyHook(FirstHook);
    AddEmergencyHook(SecondHook);
    RunEmergencyHooks();
    RunEmergencyHooks();
    ASSERT_EQ(g_hookCalls, 2);
    EXPECT_EQ(g_hookOrder[0], 2);
    EXPECT_EQ(g_hookOrder[1], 1);
}

class Counted : public CRefCountedObject {
public:
    explicit Counted(int* deleted) : m_deleted(deleted) {}

protected:
    ~Counted() override { ++*m_deleted; }

private:
    int* m_deleted;
};

TEST(RefCountedObject, StartsAtOneAndDeletesAtZero) {
    int deleted = 0;
    Counted* c = new Counted(&deleted);
    EXPECT_EQ(c->RefCount(), 1);
    c->AddRef();
    EXPECT_EQ(c->RefCount(), 2);
    c->Release();
    EXPECT_EQ(deleted, 0);
    c->Release();
    EXPECT_EQ(deleted, 1);
}

}  // namespace
