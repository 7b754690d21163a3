// An install script as lines, for finding where a section or key was written and for
// patching past an error to look for the next one. Lines keep their number in the file
// as written; lines the checker adds have number 0.
#pragma once

#include <string>
#include <vector>

namespace zep::tool {

struct ScriptLine {
    int number;
    std::string text;
};

class ScriptText {
public:
    explicit ScriptText(const std::string& bytes);
    std::string bytes() const;  // CR/LF line ends

    // Indexes into lines(); -1 when missing. Names compare without regard to ASCII case,
    // and the first section of a name is the one the profile functions read.
    int section(const std::string& name) const;
    int key(const std::string& section, const std::string& key) const;
    // Every key line of the first section of that name: (index, key, value).
    struct Entry {
        int index;
        std::string key, value;
    };
    std::vector<Entry> entries(const std::string& section) const;
    std::vector<std::string> section_names() const;

    int number_of(int index) const { return index >= 0 ? lines_[index].number : 0; }
    const std::vector<ScriptLine>& lines() const { return lines_; }

    // Sets a key's value in a section: the first such line, or a new line right after the
    // section's header (a new section at the end when there is none).
    void set(const std::string& section, const std::string& key, const std::string& value);
    void replace(int index, const std::string& text);

    // The parts of a line as the profile functions see them.
    static bool ParseKeyLine(const std::string& line, std::string& key, std::string& value);
    static bool ParseHeader(const std::string& line, std::string& name);

private:
    std::vector<ScriptLine> lines_;
};

bool SameName(const std::string& a, const std::string& b);

}  // namespace zep::tool
