// Font resources of the simulated machine. A .FOT file made by CreateScalableFontResource
// names the TrueType file it stands for; loading it loads that file.
#include "platform/sim/code_pages.h"
#include "platform/sim/sim_platform.h"

namespace zep::sim {

namespace {

const char kFotMagic[] = "ZEPFOT\n";

}  // namespace

int SimPlatform::add_font_resource(const char* path) {
    if (fail("add_font_resource", path ? path : "")) return 0;
    ResolvedPath where = resolve(path);
    std::optional<std::string> bytes = where.error == 0 ? machine_.read_file(where.full) : std::nullopt;
    if (!bytes) return fail_with(ERROR_FILE_NOT_FOUND), 0;
    if (bytes->rfind(kFotMagic, 0) == 0 && !machine_.exists(bytes->substr(sizeof kFotMagic - 1))) {
        return fail_with(ERROR_FILE_NOT_FOUND), 0;
    }
    ++machine_.loaded_fonts[AnsiUpper(where.full)];
    return 1;
}

bool SimPlatform::remove_font_resource(const char* path) {
    if (fail("remove_font_resource", path ? path : "")) return false;
    ResolvedPath where = resolve(path);
    auto it = machine_.loaded_fonts.find(AnsiUpper(where.full));
    if (where.error != 0 || it == machine_.loaded_fonts.end()) return fail_with(ERROR_FILE_NOT_FOUND);
    if (--it->second == 0) machine_.loaded_fonts.erase(it);
    return true;
}

bool SimPlatform::create_scalable_font_resource(std::uint32_t, const char* font_resource, const char* font_file,
                                                const char* current_path) {
    if (fail("create_scalable_font_resource", font_resource ? font_resource : "")) return false;
    std::string file = font_file ? font_file : "";
    if (file.find('\\') == std::string::npos && current_path != nullptr && *current_path != '\0') {
        file = std::string(current_path) + "\\" + file;
    }
    ResolvedPath font = resolve(file.c_str());
    ResolvedPath fot = resolve(font_resource);
    if (font.error != 0 || !machine_.read_file(font.full)) return fail_with(ERROR_FILE_NOT_FOUND);
    if (fot.error != 0) return fail_with(fot.error);
    if (machine_.exists(fot.full)) return fail_with(ERROR_FILE_EXISTS);
    machine_.put_file(fot.full, kFotMagic + font.full);
    return true;
}

}  // namespace zep::sim
