// Any bytes as a help source: the reader never fails badly, and whatever it accepts is
// written and read back as the same topics, titles and text.
#include <cstdint>
#include <string>
#include <vector>

#include "winhelp/help_file.h"
#include "winhelp/help_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zep::winhelp;
    HelpSource source;
    std::vector<SourceError> errors;
    if (!ReadHelpSource(std::string(reinterpret_cast<const char*>(data), size), source, errors)) {
        if (errors.empty()) __builtin_trap();
        return 0;
    }
    std::vector<std::uint8_t> file;
    std::string why;
    if (!WriteHelpFile(source, file, why)) __builtin_trap();  // the source's limits keep every file writable
    HelpFileContents back;
    if (!ReadHelpFile(file, back, why) || back.title != source.title || back.topics.size() != source.topics.size()) {
        __builtin_trap();
    }
    for (std::size_t i = 0; i < source.topics.size(); ++i) {
        const Topic& t = source.topics[i];
        auto at = back.map.find(t.context);
        if (at == back.map.end() || back.topic_at(at->second) != &back.topics[i]) __builtin_trap();
        const HelpFileTopic& r = back.topics[i];
        if (r.title != t.title || r.heading != t.title || r.paragraphs != t.paragraphs) __builtin_trap();
    }
    return 0;
}
