// Registry file text on arbitrary bytes. Whatever parses must write back to text that parses to
// the same tree: a settings file the client rewrites must never change under it.
#include "platform/registry/registry_tree.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using platform::registry::RegistryTree;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RegistryTree tree;
    std::string problem;
    if (!tree.Parse(std::string_view(reinterpret_cast<const char*>(data), size), &problem)) {
        // A refused file leaves the tree empty and always says where.
        if (problem.empty() || !tree.Root(RegistryTree::Hive::LocalMachine).children.empty()) std::abort();
        return 0;
    }
    const std::string once = tree.Serialise();
    RegistryTree again;
    std::string problemAgain;
    if (!again.Parse(once, &problemAgain)) std::abort();
    if (again.Serialise() != once) std::abort();
    return 0;
}
