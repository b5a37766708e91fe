// Loads a component DLL the way a player does and reports where Windows found the DLLs it
// needs. Unlike velmora-host, it brings no GCC runtime DLL of its own (it is linked with the
// runtime built in), so whatever runtime the component gets, Windows found for the
// component alone.
//
//   load_probe [--plain] DLL
//     default: LoadLibraryEx with LOAD_WITH_ALTERED_SEARCH_PATH, as a player that looks for
//              a component's DLLs in the component's own folder
//     --plain: LoadLibrary, as a player that does not
//
// Prints "loaded", then for each GCC runtime DLL in the process "<name> from <path>", then
// the client's version and the number of factories; exits 0. When the DLL cannot be
// loaded, prints "cannot load: system error N" and exits 1; bad arguments exit 2.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "host/component_client.h"
#include "host/service.h"

namespace {
const char* const runtime_names[] = {"libgcc_s_dw2-1.dll", "libstdc++-6.dll",
                                     "libwinpthread-1.dll"};
} // namespace

int main(int argc, char** argv) {
    bool plain = false;
    int next = 1;
    if (next < argc && std::strcmp(argv[next], "--plain") == 0) {
        plain = true;
        ++next;
    }
    if (next + 1 != argc) {
        std::fprintf(stderr, "usage: load_probe [--plain] DLL\n");
        return 2;
    }
    // An absolute path, as the altered search order takes the folder from it.
    char path[MAX_PATH];
    if (GetFullPathNameA(argv[next], MAX_PATH, path, nullptr) == 0) {
        std::fprintf(stderr, "cannot resolve %s\n", argv[next]);
        return 2;
    }
    // No error box when a DLL is missing: the error comes back as a code.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module =
        plain ? LoadLibraryA(path) : LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) {
        std::printf("cannot load: system error %lu\n", GetLastError());
        return 1;
    }
    std::printf("loaded\n");
    for (const char* name : runtime_names) {
        char found[MAX_PATH] = "";
        HMODULE runtime = GetModuleHandleA(name);
        if (runtime == nullptr || GetModuleFileNameA(runtime, found, MAX_PATH) == 0)
            std::printf("%s not loaded\n", name);
        else
            std::printf("%s from %s\n", name, found);
    }
    auto entry = reinterpret_cast<velmora_get_interface_fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "velmora_get_interface")));
    if (entry == nullptr) {
        std::printf("no velmora_get_interface: system error %lu\n", GetLastError());
        return 1;
    }
    component_client* client = entry(nullptr, module);
    unsigned factories = 0;
    for (service_factory_base* f = client->get_factory_list(); f != nullptr; f = f->next)
        ++factories;
    std::printf("client version %u, %u factories\n",
                static_cast<unsigned>(client->get_client_version()), factories);
    FreeLibrary(module);
    return 0;
}
