#include "platform/sim/scripted_user.h"

namespace zep::sim {

namespace {

UserAction Make(UserAction::Kind kind) {
    UserAction a;
    a.kind = kind;
    return a;
}

}  // namespace

UserAction Click(int id) {
    UserAction a = Make(UserAction::Kind::kClick);
    a.id = id;
    return a;
}

UserAction Type(int id, std::string text) {
    UserAction a = Make(UserAction::Kind::kType);
    a.id = id;
    a.text = std::move(text);
    return a;
}

UserAction Key(std::uint32_t vk, bool repeat) {
    UserAction a = Make(UserAction::Kind::kKey);
    a.vk = vk;
    a.repeat = repeat;
    return a;
}

UserAction CloseBox() {
    return Make(UserAction::Kind::kClose);
}

UserAction Call(std::function<void(SimPlatform&, Hwnd)> fn) {
    UserAction a = Make(UserAction::Kind::kCall);
    a.call = std::move(fn);
    return a;
}

ScriptedUser& ScriptedUser::answer(std::uint16_t dialog, std::vector<UserAction> actions) {
    answers_.push_back({dialog, std::move(actions)});
    return *this;
}

std::vector<UserAction> ScriptedUser::take_answer(SimPlatform& os, std::uint16_t dialog) {
    if (answers_.empty() && policy) return policy(os, dialog);
    if (answers_.empty()) {
        if (responder) return responder(dialog);
        errors.push_back("dialog " + std::to_string(dialog) + " was shown but no answer was scripted");
        return {};
    }
    Answer a = std::move(answers_.front());
    answers_.pop_front();
    if (a.dialog != 0 && a.dialog != dialog) {
        errors.push_back("dialog " + std::to_string(dialog) + " was shown where dialog " +
                         std::to_string(a.dialog) + " was expected");
    }
    return std::move(a.actions);
}

std::string ScriptedUser::transcript_text() const {
    std::string out;
    for (const std::string& line : transcript) out += line + "\n";
    return out;
}

std::vector<std::uint16_t> ScriptedUser::dialog_ids() const {
    std::vector<std::uint16_t> ids;
    for (const ShownDialog& d : shown) ids.push_back(d.id);
    return ids;
}

}  // namespace zep::sim
