#include "platform/registry/registry.h"
#include "platform/registry/registry_test_env.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace platform::registry {
namespace {

constexpr DWORD kRounds = 150;

// Each writer keeps one value of its own up to date and adds a new one every round.
int Writer(int id) {
    const std::string keyPath = "SOFTWARE\\Stress\\Writer" + std::to_string(id);
    for (DWORD round = 0; round < kRounds; ++round) {
        HKEY key = nullptr;
        if (RegCreateKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str(), &key) != ERROR_SUCCESS) return 1;
        const std::string name = "V" + std::to_string(round);
        if (RegSetValueExA(key, "Last", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&round), 4) != ERROR_SUCCESS ||
            RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(name.data()),
                           static_cast<DWORD>(name.size())) != ERROR_SUCCESS)
            return 2;
        RegCloseKey(key);
    }
    return 0;
}

using RegistryStressTest = RegistryTestEnv;

TEST_F(RegistryStressTest, TwoProcessesWritingAtOnceLoseNothing) {
    pid_t children[2];
    for (int id = 0; id < 2; ++id) {
        children[id] = ::fork();
        ASSERT_GE(children[id], 0);
        if (children[id] == 0) ::_exit(Writer(id));
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }

    EXPECT_EQ(RegistryProblem(), "");
    for (int id = 0; id < 2; ++id) {
        HKEY key = nullptr;
        const std::string keyPath = "SOFTWARE\\Stress\\Writer" + std::to_string(id);
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
        DWORD last = 0, size = 4;
        ASSERT_EQ(RegQueryValueExA(key, "Last", nullptr, nullptr, reinterpret_cast<BYTE*>(&last), &size), ERROR_SUCCESS);
        EXPECT_EQ(last, kRounds - 1);
        for (DWORD round = 0; round < kRounds; ++round) {
            const std::string name = "V" + std::to_string(round);
            char buf[16];
            size = sizeof buf;
            ASSERT_EQ(RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size),
                      ERROR_SUCCESS)
                << "writer " << id << " lost " << name;
            EXPECT_EQ(std::string(buf, size), name);
        }
        RegCloseKey(key);
    }
}

}  // namespace
}  // namespace platform::registry
