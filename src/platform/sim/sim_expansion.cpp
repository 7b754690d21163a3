// LZ32 of the simulated process: the SZDD expander behind LZ32's four calls, with LZ32's
// handles, its limit of 16 open expansions and its pass-through of plain files.
#include "platform/sim/sim_platform.h"
#include "szdd/szdd.h"

namespace zep::sim {

namespace {

constexpr std::int32_t kFirstLzHandle = 0x400;
constexpr std::int32_t kLzHandles = 16;
constexpr std::uint32_t kPlainChunk = 1000;

}  // namespace

std::int32_t SimPlatform::LzHandle::read(void* buf, std::uint32_t count) {
    std::uint32_t n = os.lread(file, buf, count);
    return n == static_cast<std::uint32_t>(HFILE_ERROR) ? -1 : static_cast<std::int32_t>(n);
}

namespace {

class FileSink final : public szdd::Sink {
public:
    FileSink(SimPlatform& os, Hfile file) : os_(os), file_(file) {}
    bool write(const void* buf, std::uint32_t count) override {
        return os_.lwrite(file_, buf, count) == count;
    }

private:
    SimPlatform& os_;
    Hfile file_;
};

}  // namespace

std::size_t SimPlatform::open_expansions() const {
    std::size_t n = 0;
    for (const auto& e : expansions_) n += e != nullptr;
    return n;
}

std::int32_t SimPlatform::lz_init(Hfile source) {
    if (fail("lz_init")) return szdd::kLzErrorBadInHandle;
    return start_expansion(source);
}

std::int32_t SimPlatform::start_expansion(Hfile source) {
    if (file(source) == nullptr) return szdd::kLzErrorBadInHandle;
    int slot = 0;
    while (slot < kLzHandles && expansions_[slot] != nullptr) ++slot;
    if (slot == kLzHandles) return szdd::kLzErrorGlobalAlloc;
    auto handle = std::make_unique<LzHandle>(*this, source);
    std::fseek(file(source)->stream, 0, SEEK_SET);  // the header is always read from the start
    std::int32_t result = handle->expander.init(*handle);
    if (result < 0) return result;
    if (!handle->expander.compressed()) {
        std::fseek(file(source)->stream, 0, SEEK_SET);  // a plain file is read from its start
        return source;
    }
    expansions_[slot] = std::move(handle);
    return kFirstLzHandle + slot;
}

std::int32_t SimPlatform::lz_read(std::int32_t handle, void* buf, std::int32_t count) {
    if (fail("lz_read")) return szdd::kLzErrorRead;
    std::int32_t slot = handle - kFirstLzHandle;
    if (slot >= 0 && slot < kLzHandles && expansions_[slot] != nullptr) {
        return expansions_[slot]->expander.read(buf, static_cast<std::uint32_t>(count));
    }
    return static_cast<std::int32_t>(lread(handle, buf, static_cast<std::uint32_t>(count)));
}

std::int32_t SimPlatform::lz_copy(Hfile source, Hfile destination) {
    if (fail("lz_copy")) return szdd::kLzErrorWrite;
    std::int32_t slot = source - kFirstLzHandle;
    const bool given_expansion = slot >= 0 && slot < kLzHandles && expansions_[slot] != nullptr;
    std::int32_t handle = given_expansion ? source : start_expansion(source);
    if (handle <= 0) return 0;  // LZ32 answers 0 when it cannot start the expansion
    slot = handle - kFirstLzHandle;
    const bool compressed = slot >= 0 && slot < kLzHandles && expansions_[slot] != nullptr;
    const Hfile real = compressed ? expansions_[slot]->file : handle;
    std::int32_t result = 0;
    if (compressed) {
        FileSink sink(*this, destination);
        result = expansions_[slot]->expander.copy(sink);
    } else {
        char buf[kPlainChunk];
        for (;;) {
            std::uint32_t n = lread(real, buf, sizeof buf);
            if (n == static_cast<std::uint32_t>(HFILE_ERROR)) return szdd::kLzErrorRead;
            if (n == 0) break;
            if (lwrite(destination, buf, n) != n) return szdd::kLzErrorWrite;
            result += static_cast<std::int32_t>(n);
        }
    }
    if (result >= 0) {
        // LZ32 gives the copy the source's time of last writing.
        FileTime written{};
        if (get_file_time(real, nullptr, nullptr, &written)) set_file_time(destination, nullptr, nullptr, &written);
    }
    // An expansion LZCopy started itself is closed again, and with it the source file.
    if (!given_expansion && compressed) lz_close(handle);
    return result;
}

void SimPlatform::lz_close(std::int32_t handle) {
    // LZClose reports nothing; a fault only sets the last error, as a close of a handle
    // that was not open would.
    fail("lz_close");
    std::int32_t slot = handle - kFirstLzHandle;
    if (slot >= 0 && slot < kLzHandles && expansions_[slot] != nullptr) {
        lclose(expansions_[slot]->file);
        expansions_[slot].reset();
        return;
    }
    lclose(handle);
}

}  // namespace zep::sim
