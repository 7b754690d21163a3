// uninst.exe's reading of its data resource over arbitrary bytes: no crash, no read past
// the end, and what it accepts walks record by record to exactly the end, every name a
// plain path inside the target.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "uninstall/uninstall_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the input's size, so that any read past it is caught.
    std::vector<std::uint8_t> bytes(data, data + size);
    zep::UninstallData read{};
    if (!zep::ReadUninstallData(bytes.data(), static_cast<std::uint32_t>(bytes.size()), read)) return 0;
    std::uint32_t count = 0;
    zep::FileRecord record;
    for (const std::uint8_t* at = read.records; at != read.end; ++count) {
        if (at > read.end || count > read.file_count) std::abort();
        at = zep::NextFileRecord(at, record);
        if (!zep::IsPlainRelativePath(record.name, record.length)) std::abort();
    }
    if (count != read.file_count || read.script_length == 0) std::abort();
    return 0;
}
