// Asks Windows for the resources of a packed setup.exe the way the installer asks for its
// own, and reports every answer, so the host tests can compare them with the product.
//
//   resource_probe image|data EXE OUTDIR FIRST LAST
//       image: LoadLibraryA, which maps the program as Windows would run it (its section
//       table, sizes and alignment must hold); data: LoadLibraryExA as an image resource,
//       for a program of another machine (PE32 here). Prints "loaded", or
//       "load_failed <error>" and exits 1. Then for each id from FIRST to LAST of type 256:
//       FindResourceA, SizeofResource, LoadResource and LockResource; writes the bytes to
//       OUTDIR\<id> and prints "resource <id> size=<n>", or "resource <id> missing";
//       and LoadStringA of id - 2000: "count <id - 2000> none" or "count <id - 2000> <text>".
//       Last, "string <id> <text>" for 8000, 8001 and 8002.
// Exit status 0 when the module loaded, 1 when not, 2 for wrong arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool WriteWhole(const std::string& path, const void* data, DWORD size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

void Strings(HMODULE module, int id, const char* label) {
    char text[256] = {};
    int n = LoadStringA(module, static_cast<UINT>(id), text, sizeof text);
    if (n <= 0) {
        std::printf("%s %d none\n", label, id);
    } else {
        std::printf("%s %d %s\n", label, id, text);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 || (std::strcmp(argv[1], "image") != 0 && std::strcmp(argv[1], "data") != 0)) {
        std::fprintf(stderr, "usage: resource_probe image|data EXE OUTDIR FIRST LAST\n");
        return 2;
    }
    const bool image = std::strcmp(argv[1], "image") == 0;
    HMODULE module = image ? LoadLibraryA(argv[2])
                           : LoadLibraryExA(argv[2], nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        std::printf("load_failed %lu\n", GetLastError());
        return 1;
    }
    std::printf("loaded\n");
    const std::string outdir = argv[3];
    const int first = std::atoi(argv[4]), last = std::atoi(argv[5]);
    for (int id = first; id <= last; ++id) {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(256));
        HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
        const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (data == nullptr) {
            std::printf("resource %d missing\n", id);
        } else {
            DWORD size = SizeofResource(module, found);
            if (!WriteWhole(outdir + "\\" + std::to_string(id), data, size)) {
                std::printf("resource %d write_failed\n", id);
            } else {
                std::printf("resource %d size=%lu\n", id, size);
            }
        }
        Strings(module, id - 2000, "count");
    }
    for (int id : {8000, 8001, 8002}) Strings(module, id, "string");
    FreeLibrary(module);
    return 0;
}
