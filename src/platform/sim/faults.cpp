#include "platform/sim/faults.h"

namespace zep::sim {

void Faults::add(FaultRule rule) {
    rules_.push_back({std::move(rule)});
}

void Faults::clear() {
    rules_.clear();
    fired_ = 0;
}

bool Faults::hit(std::string_view op, std::string_view arg, std::uint32_t& error) {
    if (++total_ > limit_ && limit_ != 0) throw CallLimit{};
    if (record_) {
        calls_.emplace_back(op);
        args_.emplace_back(arg);
    }
    for (Armed& a : rules_) {
        if (a.done) continue;
        if (a.rule.op != "*" && a.rule.op != op) continue;
        if (!a.rule.arg.empty() && arg.find(a.rule.arg) == std::string_view::npos) continue;
        ++a.seen;
        if (a.seen < a.rule.nth) continue;
        if (!a.rule.persistent) a.done = true;
        error = a.rule.error;
        ++fired_;
        return true;
    }
    return false;
}

std::size_t Faults::count(std::string_view op, std::string_view arg) const {
    std::size_t n = 0;
    for (std::size_t i = 0; i < calls_.size(); ++i) n += calls_[i] == op && args_[i] == arg;
    return n;
}

}  // namespace zep::sim
