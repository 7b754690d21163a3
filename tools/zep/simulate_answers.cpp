#include "tools/zep/simulation.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "platform/win_types.h"

namespace zep::tool {

namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    const std::size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

bool ParseNumber(const std::string& text, int& out) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    out = std::stoi(text);
    return out <= 65535;
}

struct KeyName {
    const char* name;
    std::uint32_t vk;
};
const KeyName kKeys[] = {{"ENTER", VK_RETURN}, {"RETURN", VK_RETURN}, {"ESCAPE", VK_ESCAPE},
                         {"ESC", VK_ESCAPE},   {"F1", VK_F1}};

// --- Answers ---

bool ParseStep(const std::string& text, AnswerStep& step, std::string& why) {
    std::istringstream in(text);
    std::string verb;
    in >> verb;
    verb = Upper(verb);
    std::string arg;
    in >> arg;
    if (verb == "CLICK" || verb == "INSERT") {
        step.kind = verb == "CLICK" ? AnswerStep::Kind::kClick : AnswerStep::Kind::kInsert;
        std::string rest;
        if (!ParseNumber(arg, step.id) || (in >> rest)) {
            why = "\"" + text + "\": " + (verb == "CLICK" ? "click takes a control id" : "insert takes a disk number");
            return false;
        }
        return true;
    }
    if (verb == "TYPE") {
        step.kind = AnswerStep::Kind::kType;
        if (!ParseNumber(arg, step.id)) {
            why = "\"" + text + "\": type takes a control id, then the text";
            return false;
        }
        std::string rest;
        std::getline(in, rest);
        rest = Trim(rest);
        if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
        step.text = rest;
        return true;
    }
    if (verb == "KEY") {
        step.kind = AnswerStep::Kind::kKey;
        for (const KeyName& k : kKeys) {
            if (Upper(arg) == k.name) step.vk = k.vk;
        }
        step.text = Upper(arg);
        if (step.vk == 0) {
            why = "\"" + text + "\": key takes Enter, Escape or F1";
            return false;
        }
        return true;
    }
    if (verb == "CLOSE" && arg.empty()) {
        step.kind = AnswerStep::Kind::kClose;
        return true;
    }
    why = "\"" + text + "\" is no action (click ID, type ID TEXT, key Enter|Escape|F1, close, insert DISK)";
    return false;
}

}  // namespace

bool ParseAnswers(const std::string& text, const std::string& file, Answers& out, std::string& error) {
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        line = Trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        const std::string where = file + ":" + std::to_string(number) + ": ";
        const std::size_t colon = line.find(':');
        int dialog = 0;
        if (colon == std::string::npos || !ParseNumber(Trim(line.substr(0, colon)), dialog)) {
            error = where + "a line is DIALOG: ACTION; ACTION ... (such as \"2400: type 1701 D:\\TOOLS; click 1\")";
            return false;
        }
        std::vector<AnswerStep> steps;
        std::string rest = line.substr(colon + 1);
        std::size_t start = 0;
        while (start <= rest.size()) {
            std::size_t semi = rest.find(';', start);
            if (semi == std::string::npos) semi = rest.size();
            const std::string part = Trim(rest.substr(start, semi - start));
            start = semi + 1;
            if (part.empty()) continue;
            AnswerStep step;
            std::string why;
            if (!ParseStep(part, step, why)) {
                error = where + why;
                return false;
            }
            steps.push_back(step);
        }
        if (steps.empty()) {
            error = where + "dialog " + std::to_string(dialog) + " has no action";
            return false;
        }
        out.by_dialog[static_cast<std::uint16_t>(dialog)].push_back(std::move(steps));
        out.lines[static_cast<std::uint16_t>(dialog)].push_back(number);
    }
    return true;
}

bool CheckAnswers(const Answers& answers, const DialogControls& dialogs, const std::string& file,
                  std::string& error) {
    for (const auto& [dialog, list] : answers.by_dialog) {
        for (std::size_t k = 0; k < list.size(); ++k) {
            const std::string where = file + ":" + std::to_string(answers.lines.at(dialog)[k]) + ": ";
            auto d = dialogs.find(dialog);
            if (d == dialogs.end()) {
                error = where + "there is no dialog " + std::to_string(dialog);
                return false;
            }
            for (const AnswerStep& s : list[k]) {
                if (s.kind != AnswerStep::Kind::kClick && s.kind != AnswerStep::Kind::kType) continue;
                auto c = std::find_if(d->second.begin(), d->second.end(),
                                      [&](const TemplateControl& t) { return t.id == s.id; });
                if (c == d->second.end()) {
                    error = where + "dialog " + std::to_string(dialog) + " has no control " + std::to_string(s.id);
                    return false;
                }
                if (s.kind == AnswerStep::Kind::kType && Upper(c->cls) != "EDIT") {
                    error = where + "control " + std::to_string(s.id) + " of dialog " + std::to_string(dialog) +
                            " is no edit field to type into";
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace zep::tool
