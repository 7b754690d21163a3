// Fault injection: any operation of the simulated platform can be made to fail, at its
// Nth call, once or from then on, with a chosen system error. Tests move N forward to
// fail each step of a sequence in turn.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zep::sim {

struct FaultRule {
    std::string op;          // operation name as in the seam ("open_file"), or "*" for any
    std::string arg;         // fail only calls whose path or name contains this text
    unsigned nth = 1;        // the first matching call to fail, counting from 1
    bool persistent = false; // keep failing every matching call from then on
    std::uint32_t error = 31;  // the system error the failed call leaves (ERROR_GEN_FAILURE)
};

class Faults {
public:
    void add(FaultRule rule);
    void clear();

    // Called by every operation before it acts; true means fail with *error.
    bool hit(std::string_view op, std::string_view arg, std::uint32_t& error);

    unsigned fired() const { return fired_; }
    // Every operation called so far, in order: lets a test count the steps it can fail.
    const std::vector<std::string>& calls() const { return calls_; }
    const std::vector<std::string>& args() const { return args_; }  // the path or name of each
    // How many recorded calls of op were about exactly arg.
    std::size_t count(std::string_view op, std::string_view arg) const;
    void record_calls(bool on) { record_ = on; }
    // A run that keeps calling past this many operations is going round in circles:
    // the next call throws CallLimit, so a test can stop it and say so. 0: no limit.
    struct CallLimit {};
    void limit_calls(std::size_t n) { limit_ = n; }
    std::size_t total_calls() const { return total_; }

private:
    struct Armed {
        FaultRule rule;
        unsigned seen = 0;
        bool done = false;
    };
    std::vector<Armed> rules_;
    std::vector<std::string> calls_;
    std::vector<std::string> args_;
    unsigned fired_ = 0;
    bool record_ = false;
    std::size_t limit_ = 0;
    std::size_t total_ = 0;
};

}  // namespace zep::sim
