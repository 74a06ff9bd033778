#pragma once
// A registry file of its own for each test, in a fresh temporary folder.
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace platform::registry {

class RegistryTestEnv : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath("registry.reg").toStdString();
        ::setenv("MONEKO_REGISTRY", path_.c_str(), 1);
    }
    void TearDown() override { ::unsetenv("MONEKO_REGISTRY"); }

    std::string FileText() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void WriteFile(const std::string& text) const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << text;
    }

    QTemporaryDir dir_;
    std::string path_;
};

}  // namespace platform::registry
