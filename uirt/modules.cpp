// External modules: shared objects loaded by name with dlopen.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "paths.hpp"
#include "uirt.hpp"

namespace uirt {

namespace {

std::map<int, void*>& modules() {
    static std::map<int, void*> loaded;
    return loaded;
}

bool is_file(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Folders searched for a bare module name; empty entries (the current directory) are skipped.
std::vector<std::string> search_folders() {
    std::vector<std::string> folders;
    if (const char* path = std::getenv("UIRT_MODULE_PATH")) {
        std::string list(path);
        std::size_t start = 0;
        while (start <= list.size()) {
            const std::size_t colon = std::min(list.find(':', start), list.size());
            if (colon > start) folders.push_back(list.substr(start, colon - start));
            start = colon + 1;
        }
    }
    folders.push_back(detail::executable_dir());
    return folders;
}

void* open_module(const std::string& name) {
    constexpr int flags = RTLD_NOW | RTLD_LOCAL;
    if (name.find('/') != std::string::npos) return ::dlopen(name.c_str(), flags);
    for (const std::string& folder : search_folders()) {
        const std::string candidate = folder + "/" + name;
        if (is_file(candidate))
            if (void* handle = ::dlopen(candidate.c_str(), flags)) return handle;
    }
    // A bare name goes through the system library path, which does not hold ".".
    return ::dlopen(name.c_str(), flags);
}

}  // namespace

int LoadExternalModule(const char* name) {
    if (name == nullptr || *name == '\0') return UIE_FILE_NOT_FOUND;
    void* handle = open_module(name);
    if (!handle) return UIE_FILE_NOT_FOUND;
    static int next_id = 1;
    const int id = next_id++;
    modules()[id] = handle;
    return id;
}

void* GetExternalModuleAddr(int moduleId, const char* name, int* status) {
    auto it = modules().find(moduleId);
    if (it == modules().end() || name == nullptr) {
        if (status) *status = UIE_BAD_HANDLE;
        return nullptr;
    }
    ::dlerror();
    void* address = ::dlsym(it->second, name);
    if (status) *status = address ? 0 : UIE_RESOURCE_NOT_FOUND;
    return address;
}

int UnloadExternalModule(int moduleId) {
    auto it = modules().find(moduleId);
    if (it == modules().end()) return UIE_BAD_HANDLE;
    ::dlclose(it->second);
    modules().erase(it);
    return 0;
}

}  // namespace uirt
