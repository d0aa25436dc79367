#include "module_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <vector>

namespace gdip {
namespace {

std::vector<std::string> modulePlaces(const std::string& fileName, const std::string& builtPath) {
    std::vector<std::string> places;
    std::vector<char> self(4096);
    const ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (length > 0) {
        std::string program(self.data(), static_cast<size_t>(length));
        const size_t bin = program.rfind('/');
        const size_t prefix = bin == std::string::npos || bin == 0 ? std::string::npos : program.rfind('/', bin - 1);
        if (prefix != std::string::npos)
            places.push_back(program.substr(0, prefix) + "/" ORVELLE_MODULE_DIR "/" + fileName);
    }
    places.push_back(builtPath);
    return places;
}

const void* loadOnce(const std::string& fileName, const std::string& builtPath, const char* entry, std::string& why) {
    const std::vector<std::string> places = modulePlaces(fileName, builtPath);
    for (const std::string& path : places) {
        if (::access(path.c_str(), R_OK) != 0) continue;
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* error = ::dlerror();
            why = error ? error : path + " cannot be loaded";
            return nullptr;
        }
        using Entry = const void* (*)();
        const auto start = reinterpret_cast<Entry>(::dlsym(handle, entry));
        const void* table = start ? start() : nullptr;
        if (!table) why = path + " is not the module it should be";
        return table;
    }
    why = "it is not installed (" + places.front() + ")";
    return nullptr;
}

}  // namespace

const void* loadModule(const std::string& fileName, const std::string& builtPath, const char* entry, std::string& why) {
    // Each module is looked for once; later asks get what the first found, table or reason.
    struct Loaded {
        const void* table = nullptr;
        std::string failure;
    };
    static std::mutex guard;
    static std::map<std::string, Loaded> loaded;
    const std::lock_guard<std::mutex> lock(guard);
    auto [found, first] = loaded.try_emplace(fileName);
    if (first) found->second.table = loadOnce(fileName, builtPath, entry, found->second.failure);
    why = found->second.failure;
    return found->second.table;
}

}  // namespace gdip
