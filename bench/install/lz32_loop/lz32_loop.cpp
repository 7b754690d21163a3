// The system's own expander alone, for the install benchmark to set setup.exe against:
// every *.DA_ beside this program is opened and expanded into C:\LZLOOP with OpenFile,
// LZInit, LZCopy and LZClose, nothing else. The folder is listed before the clock starts
// and the expanded files are deleted after it stops. The result goes to LZLOOP.TXT beside
// the program:
//   lz32 loop: FILES files, BYTES bytes, MS ms
// Exit status 0 when every file expanded, 1 otherwise.
#include <windows.h>
#include <lzexpand.h>

#include <cstdio>
#include <string>
#include <vector>

int main() {
    char module[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, module, sizeof module);
    std::string folder(module, n);
    folder.erase(folder.rfind('\\') + 1);

    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*.DA_").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do names.emplace_back(found.cFileName);
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    const std::string target = "C:\\LZLOOP\\";
    CreateDirectoryA(target.c_str(), nullptr);
    std::vector<std::string> sources, destinations;
    for (const std::string& name : names) {
        sources.push_back(folder + name);
        destinations.push_back(target + name.substr(0, name.size() - 1) + "T");
    }

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    long long bytes = 0;
    int failures = 0;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        OFSTRUCT of_source{}, of_destination{};
        HFILE source = OpenFile(sources[i].c_str(), &of_source, OF_READ);
        INT expansion = source == HFILE_ERROR ? -1 : LZInit(source);
        HFILE destination = OpenFile(destinations[i].c_str(), &of_destination,
                                     OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
        LONG copied = expansion >= 0 && destination != HFILE_ERROR ? LZCopy(expansion, destination) : -1;
        if (expansion >= 0) LZClose(expansion);
        else if (source != HFILE_ERROR) _lclose(source);
        if (destination != HFILE_ERROR) _lclose(destination);
        if (copied < 0) ++failures;
        else bytes += copied;
    }
    QueryPerformanceCounter(&end);
    const long long ms = (end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
    // Gone again, so that a second loop in the same run writes new files, as the first did.
    for (const std::string& destination : destinations) DeleteFileA(destination.c_str());

    std::FILE* out = std::fopen((folder + "LZLOOP.TXT").c_str(), "a");
    if (out != nullptr) {
        std::fprintf(out, "lz32 loop: %zu files, %lld bytes, %lld ms%s\n", sources.size(), bytes, ms,
                     failures != 0 ? " (FAILURES)" : "");
        std::fclose(out);
    }
    return failures == 0 && !sources.empty() ? 0 : 1;
}
