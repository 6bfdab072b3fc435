// The Standalone build started as a user starts it, on the suite's X display with a fresh
// home and no audio device: its window must come up and the program must stay up until it
// is asked to stop.

#include "host/XDisplay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{
using Clock = std::chrono::steady_clock;

// A child process that is always stopped and reaped, whatever the test does.
class ChildProcess
{
public:
    explicit ChildProcess(const std::string& path)
    {
        pid = fork();
        if (pid == 0)
        {
            execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    ~ChildProcess() { stop(); }

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const noexcept { return pid > 0; }

    bool isRunning()
    {
        if (pid <= 0)
            return false;
        if (waitpid(pid, &status, WNOHANG) == pid)
            pid = -1;
        return pid > 0;
    }

    // SIGTERM, then SIGKILL if it has not gone within the timeout. Returns whether it ended
    // on the polite request.
    bool stop(std::chrono::milliseconds timeout = std::chrono::milliseconds(5000))
    {
        if (!isRunning())
            return false;

        kill(pid, SIGTERM);
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline)
        {
            if (!isRunning())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }

        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        pid = -1;
        return false;
    }

private:
    pid_t pid = -1;
    int status = 0;
};

TEST(Standalone, OpensItsWindowWithoutAnAudioDeviceAndStopsOnRequest)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "this test needs an X display (xvfb-run)";
    mallow::test::prepareXlibForHosting();
    mallow::test::XDisplay x11;
    ASSERT_TRUE(x11.isOpen());
    ASSERT_FALSE(x11.hasWindowNamed("Mallow")) << "a window from elsewhere would hide the result";

    ChildProcess standalone(MALLOW_STANDALONE_EXE);
    ASSERT_TRUE(standalone.started());

    bool windowShown = false;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!windowShown && Clock::now() < deadline && standalone.isRunning())
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        windowShown = x11.hasWindowNamed("Mallow");
    }
    ASSERT_TRUE(windowShown) << "no window titled Mallow within 10 s";

    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_TRUE(standalone.isRunning()) << "the program ended on its own";
    EXPECT_TRUE(standalone.stop()) << "needed SIGKILL";
}
} // namespace
