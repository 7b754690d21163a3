// What the SZDD tests share: the corpus they compress, made afresh by each run, memory
// sources and sinks for the expander, files, folders and commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "szdd/szdd.h"

namespace zep::szdd::test {

using Bytes = std::vector<std::uint8_t>;

struct CorpusFile {
    std::string name;  // a plain file name, unique within the corpus
    Bytes data;
};

// Text, system binaries (ELF and PE where the machine has them), zeros, spaces, random
// data, every size from 0 to 20 bytes, sizes around 4096 and 65536, repeats at the
// ring's edges, and one file longer than the compressor's parse block.
std::vector<CorpusFile> MakeCorpus();

Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& data);

// Gives its bytes at most piece bytes a read; fails (-1) from byte fail_at on.
class MemorySource final : public Source {
public:
    explicit MemorySource(const Bytes& data, std::uint32_t piece = 0xFFFFFFFF,
                          std::size_t fail_at = SIZE_MAX);
    std::int32_t read(void* buf, std::uint32_t count) override;

private:
    const Bytes& data_;
    std::uint32_t piece_;
    std::size_t fail_at_;
    std::size_t pos_ = 0;
};

// Keeps what is written; refuses a write that would pass room bytes.
class VectorSink final : public Sink {
public:
    explicit VectorSink(std::size_t room = SIZE_MAX) : room_(room) {}
    bool write(const void* buf, std::uint32_t count) override;
    Bytes bytes;

private:
    std::size_t room_;
};

Bytes Packed(const Bytes& data, std::uint8_t missing_char = 0);  // our compressor's file

struct CommandResult {
    int status;          // the exit status, -1 when it did not exit
    std::string output;  // stdout and stderr together
};
CommandResult RunCommand(const std::string& command);  // through sh
// A word for sh, in single quotes, whatever it holds (spaces, backslashes, quotes).
std::string Quoted(const std::string& word);

// A fresh empty folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace zep::szdd::test
