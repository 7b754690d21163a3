// zep simulate's answers file, over any bytes: parsed, then held against dialogs.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/zep/simulation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    zep::tool::Answers answers;
    std::string error;
    if (zep::tool::ParseAnswers(text, "answers.txt", answers, error)) {
        const zep::tool::DialogControls dialogs = {{2400, {{1, "Button"}, {2, "Button"}, {1701, "Edit"}}},
                                                   {1700, {{1, "Button"}, {1701, "Edit"}}}};
        zep::tool::CheckAnswers(answers, dialogs, "answers.txt", error);
    }
    return 0;
}
