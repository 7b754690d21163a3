// The person in front of the simulated machine: answers each modal dialog with the
// actions a test scripted for it, and keeps a transcript of what was shown and done.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace zep::sim {

class SimPlatform;

struct UserAction {
    enum class Kind { kClick, kType, kKey, kClose, kCall };
    Kind kind = Kind::kClick;
    int id = 0;             // control of a click or of typing
    std::string text;       // typed text (replaces the field's text)
    std::uint32_t vk = 0;   // key pressed
    bool repeat = false;    // the key was already down (auto-repeat)
    std::function<void(SimPlatform&, Hwnd dialog)> call;
};

// Actions, written as a test reads: Click(1), Type(1701, "C:\\APP"), Key(VK_F1).
UserAction Click(int id);
UserAction Type(int id, std::string text);
UserAction Key(std::uint32_t vk, bool repeat = false);
UserAction CloseBox();
UserAction Call(std::function<void(SimPlatform&, Hwnd dialog)> fn);

// What a dialog showed when it opened, and how it ended.
struct ShownDialog {
    std::uint16_t id = 0;  // template id; 0 for a template not from the module's resources
    std::string title;
    std::map<int, std::string> texts;  // control id -> text, after WM_INITDIALOG
    Hwnd parent = 0;
    std::intptr_t result = 0;
};

class ScriptedUser {
public:
    // The answer to the next dialog, which must be `dialog` (0: whatever comes).
    ScriptedUser& answer(std::uint16_t dialog, std::vector<UserAction> actions);
    bool has_answers() const { return !answers_.empty(); }

    // Called at every PeekMessage with its count (from 1): input arriving while the
    // installer works between dialogs, such as a click on Cancel of the progress dialog.
    std::function<void(SimPlatform&, unsigned peek)> on_peek;
    // Answers a dialog for which nothing is scripted, for tests that cannot know the
    // dialogs in advance (a call made to fail anywhere); unset, such a dialog is an error.
    std::function<std::vector<UserAction>(SimPlatform&, std::uint16_t dialog)> policy;

    std::vector<ShownDialog> shown;
    std::vector<std::string> transcript;
    std::vector<std::string> errors;  // a dialog nobody expected, an answer nobody used

    std::string transcript_text() const;
    // The ids of the dialogs shown, in order.
    std::vector<std::uint16_t> dialog_ids() const;

    // Answers a dialog when no scripted answer is left (zep simulate's user); when unset,
    // such a dialog is an error of the test.
    std::function<std::vector<UserAction>(std::uint16_t dialog)> responder;

    // Answers for the folder browser, in order: the folder chosen, or nullopt to cancel.
    std::deque<std::optional<std::string>> browse_answers;

    // For the platform: the actions for a dialog that just opened.
    std::vector<UserAction> take_answer(SimPlatform& os, std::uint16_t dialog);
    void log(std::string line) { transcript.push_back(std::move(line)); }

private:
    struct Answer {
        std::uint16_t dialog;
        std::vector<UserAction> actions;
    };
    std::deque<Answer> answers_;
};

}  // namespace zep::sim
