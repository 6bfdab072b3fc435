// Test entry point: every test runs with HOME pointing at a fresh temporary folder, so
// that nothing a test does (settings, installed bundles) reaches the real home.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    std::string home = "/tmp/mallow-test-home-XXXXXX";
    if (mkdtemp(home.data()) == nullptr)
        return 1;

    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);

    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();

    const std::string cleanup = "rm -rf '" + home + "'";
    [[maybe_unused]] const int ignored = std::system(cleanup.c_str());
    return result;
}
