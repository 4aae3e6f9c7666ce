#include "visa_calls.hpp"

#include <dlfcn.h>
#include <link.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace voq {

namespace {

constexpr const char* kLibraryName = "visa32.lib";  // the name the program loads it by

// What a call gives while no VISA library answers it.
template <class F>
struct Missing;
template <class... Args>
struct Missing<ViStatus (*)(Args...)> {
    static ViStatus call(Args...) { return VI_ERROR_LIBRARY_NFOUND; }
};

template <class F>
void bind(std::optional<void*> library, const char* name, F& slot) {
    void* address = library ? ::dlsym(*library, name) : nullptr;
    slot = address ? reinterpret_cast<F>(address) : &Missing<F>::call;
}

VisaCalls bound_to(std::optional<void*> library) {
    VisaCalls c{};
    bind(library, "viOpenDefaultRM", c.OpenDefaultRM);
    bind(library, "viOpen", c.Open);
    bind(library, "viClose", c.Close);
    bind(library, "viWrite", c.Write);
    bind(library, "viRead", c.Read);
    bind(library, "viReadSTB", c.ReadSTB);
    bind(library, "viClear", c.Clear);
    bind(library, "viAssertTrigger", c.AssertTrigger);
    bind(library, "viGetAttribute", c.GetAttribute);
    bind(library, "viSetAttribute", c.SetAttribute);
    bind(library, "viStatusDesc", c.StatusDesc);
    return c;
}

// The first object in the process loaded from a file of the library's name, whatever its
// folder and soname (the program loads it by path, privately).
void* loaded_under_file_name() {
    std::string path;
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            const std::string_view name = info->dlpi_name ? info->dlpi_name : "";
            const auto slash = name.rfind('/');
            if (name.substr(slash == std::string_view::npos ? 0 : slash + 1) != kLibraryName)
                return 0;
            *static_cast<std::string*>(data) = name;
            return 1;
        },
        &path);
    // A reference of the driver's own: the library stays while the driver may call it.
    return path.empty() ? nullptr : ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
}

// The VISA library loaded in the process, if any: by file name, by soname, or in the
// global scope (a program linked with it). RTLD_DEFAULT is a null handle, hence optional.
std::optional<void*> loaded_library() {
    if (void* library = loaded_under_file_name()) return library;
    if (void* library = ::dlopen(kLibraryName, RTLD_NOW | RTLD_NOLOAD)) return library;
    if (::dlsym(RTLD_DEFAULT, "viOpenDefaultRM") != nullptr) return RTLD_DEFAULT;
    return std::nullopt;
}

std::mutex binding_mutex;
std::atomic<const VisaCalls*> bound{nullptr};

// The driver's reference on the library, let go when the driver is unloaded, so that the
// library goes once the program unloads it too.
struct Reference {
    void* library = nullptr;
    ~Reference() {
        if (library != nullptr) ::dlclose(library);
    }
} reference;

}  // namespace

const VisaCalls& visa() {
    if (const VisaCalls* calls = bound.load(std::memory_order_acquire)) return *calls;
    static const VisaCalls none = bound_to(std::nullopt);
    static VisaCalls calls;
    std::lock_guard lock(binding_mutex);
    if (bound.load(std::memory_order_relaxed) != nullptr) return calls;
    const auto library = loaded_library();
    if (!library) return none;  // looked for again at the next call
    if (*library != RTLD_DEFAULT) reference.library = *library;
    calls = bound_to(library);
    bound.store(&calls, std::memory_order_release);
    return calls;
}

}  // namespace voq
