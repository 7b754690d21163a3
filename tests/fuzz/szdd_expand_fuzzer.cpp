// The SZDD expander on any bytes, read in uneven pieces and copied whole, must agree with
// itself; and the compressor's output of the same bytes must expand back to them.
#include <cstdint>
#include <cstring>
#include <vector>

#include "szdd/szdd.h"

namespace {

using zep::szdd::Expander;

class PieceSource final : public zep::szdd::Source {
public:
    PieceSource(const std::uint8_t* data, std::size_t size, std::uint32_t piece)
        : data_(data), size_(size), piece_(piece) {}
    std::int32_t read(void* buf, std::uint32_t count) override {
        std::size_t n = size_ - pos_;
        if (n > count) n = count;
        if (n > piece_) n = piece_;
        std::memcpy(buf, data_ + pos_, n);
        pos_ += n;
        return static_cast<std::int32_t>(n);
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::uint32_t piece_;
    std::size_t pos_ = 0;
};

class VectorSink final : public zep::szdd::Sink {
public:
    bool write(const void* buf, std::uint32_t count) override {
        auto* p = static_cast<const std::uint8_t*>(buf);
        bytes.insert(bytes.end(), p, p + count);
        return true;
    }
    std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> Copied(const std::uint8_t* data, std::size_t size, std::int32_t& init) {
    PieceSource source(data, size, 0xFFFFFFFF);
    Expander e;
    init = e.init(source);
    VectorSink sink;
    if (init == 0 && e.copy(sink) != static_cast<std::int32_t>(sink.bytes.size())) __builtin_trap();
    return sink.bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint32_t piece = size > 0 ? 1 + data[size - 1] % 97 : 1;
    PieceSource source(data, size, piece);
    static Expander e;  // large; reused on purpose, as init must reset everything
    std::int32_t init = e.init(source);
    std::vector<std::uint8_t> read;
    if (init == 0) {
        std::uint8_t buf[5000];
        for (std::uint32_t step = 0;; ++step) {
            std::int32_t r = e.read(buf, 1 + (step * 2654435761u >> 20) % sizeof buf);
            if (r < 0) __builtin_trap();
            if (r == 0) break;
            read.insert(read.end(), buf, buf + r);
        }
        if (e.read(buf, 10) != 0) __builtin_trap();
    }
    std::int32_t copy_init;
    std::vector<std::uint8_t> copied = Copied(data, size, copy_init);
    if (copy_init != init || (init == 0 && copied != read)) __builtin_trap();

    std::vector<std::uint8_t> packed;
    if (!zep::szdd::Compress(data, size, 'x', packed)) __builtin_trap();
    std::vector<std::uint8_t> back = Copied(packed.data(), packed.size(), copy_init);
    if (copy_init != 0 || back != std::vector<std::uint8_t>(data, data + size)) __builtin_trap();
    return 0;
}
