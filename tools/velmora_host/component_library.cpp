#include "component_library.h"

#include <set>
#include <string>

#include "host_errors.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#ifndef VELMORA_HOST_COMPONENT_FILE
#error "the build names the component's file in VELMORA_HOST_COMPONENT_FILE"
#endif

namespace velmora_host {

namespace {
const char export_name[] = "velmora_get_interface";

#ifdef _WIN32
std::string last_error_text() {
    return "system error " + std::to_string(static_cast<unsigned long>(GetLastError()));
}
#else
std::string last_error_text() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown error";
}
#endif
// The files loaded since component_libraries_left_loaded last ran, absolute.
std::set<std::filesystem::path>& files_loaded() {
    static std::set<std::filesystem::path> files;
    return files;
}

} // namespace

component_library::component_library(const std::filesystem::path& file) {
#ifdef _WIN32
    // With an absolute path and this flag, the DLLs the component needs are looked for in
    // its own folder first, as a player's components folder expects.
    const std::filesystem::path absolute = std::filesystem::absolute(file);
    HMODULE module = LoadLibraryExW(absolute.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr)
        throw host_failure("cannot load " + file.string() + ": " + last_error_text());
    handle_ = module;
    // Through void(*)(): the one function pointer type every other converts to cleanly.
    entry_ = reinterpret_cast<velmora_get_interface_fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, export_name)));
#else
    handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr)
        throw host_failure("cannot load " + file.string() + ": " + last_error_text());
    entry_ = reinterpret_cast<velmora_get_interface_fn>(dlsym(handle_, export_name));
#endif
    if (entry_ == nullptr) {
        const std::string reason = last_error_text();
        close();
        throw host_failure(file.string() + " has no " + export_name + ": " + reason);
    }
    files_loaded().insert(std::filesystem::absolute(file));
}

component_library::~component_library() {
    close();
}

void component_library::close() noexcept {
    if (handle_ == nullptr)
        return;
#ifdef _WIN32
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
    handle_ = nullptr;
}

module_instance_handle component_library::instance() const {
    return static_cast<module_instance_handle>(handle_);
}

std::vector<std::filesystem::path> component_libraries_left_loaded() {
    std::vector<std::filesystem::path> loaded;
    for (const std::filesystem::path& file : files_loaded()) {
#ifdef _WIN32
        if (GetModuleHandleW(file.c_str()) != nullptr)
            loaded.push_back(file);
#else
        // RTLD_NOLOAD finds a library only if it is still mapped; the handle it then gives
        // is one more reference, given back at once.
        if (void* handle = dlopen(file.c_str(), RTLD_LAZY | RTLD_NOLOAD)) {
            dlclose(handle);
            loaded.push_back(file);
        }
#endif
    }
    files_loaded().clear();
    return loaded;
}

std::filesystem::path executable_directory(const char* argv0) {
    std::error_code ignored;
#ifdef _WIN32
    std::wstring name(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
    if (length != 0 && length < name.size()) {
        name.resize(length);
        return std::filesystem::path(name).parent_path();
    }
#elif defined(__linux__)
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ignored);
    if (!ignored)
        return self.parent_path();
#endif
    return std::filesystem::absolute(argv0 != nullptr ? argv0 : "", ignored).parent_path();
}

std::filesystem::path default_component_path(const char* argv0) {
    return executable_directory(argv0) / VELMORA_HOST_COMPONENT_FILE;
}

} // namespace velmora_host
