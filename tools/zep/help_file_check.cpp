#include "tools/zep/help_file_check.h"

#include <algorithm>
#include <fstream>
#include <memory>

#include "szdd/szdd.h"
#include "tools/zep/embedded_setup.h"
#include "winhelp/help_file.h"

namespace zep::tool {

namespace {

class StreamSource final : public szdd::Source {
public:
    explicit StreamSource(std::ifstream& in) : in_(in) {}
    std::int32_t read(void* buf, std::uint32_t count) override {
        in_.read(static_cast<char*>(buf), count);
        return in_.bad() ? -1 : static_cast<std::int32_t>(in_.gcount());
    }

private:
    std::ifstream& in_;
};

bool StartsLikeHelp(szdd::Source& source) {
    auto expander = std::make_unique<szdd::Expander>();  // passes a file that is not SZDD through
    std::uint8_t head[4];
    return expander->init(source) == 0 && expander->read(head, sizeof head) == sizeof head &&
           winhelp::HasHelpFileSignature(head, sizeof head);
}

}  // namespace

bool IsWinHelpData(const std::uint8_t* data, std::size_t size) {
    MemorySource source(data, size);
    return StartsLikeHelp(source);
}

bool IsWinHelpFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    StreamSource source(in);
    return StartsLikeHelp(source);
}

}  // namespace zep::tool
