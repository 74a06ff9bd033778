#include "bench/fanout/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fanout {

TempDir::~TempDir() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

bool TempDir::Create(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) return false;
    path_ = pattern;
    return true;
}

std::string TempDir::Tail(const std::string& name, size_t maxBytes) const {
    std::ifstream in(File(name));
    std::stringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    return s.size() > maxBytes ? s.substr(s.size() - maxBytes) : s;
}

}  // namespace fanout
