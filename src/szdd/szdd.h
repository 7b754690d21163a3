// The SZDD format of COMPRESS: the header, an expander that behaves as LZ32 does (the
// simulated platform's LZInit/LZRead/LZCopy/LZClose) and a compressor for the tools.
//
// An SZDD file is a 14-byte header (the signature, the mode 'A', the last character of
// the file's name or 0, the expanded length) followed by LZSS data over a 4096-byte ring.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zep::szdd {

// LZ32's results, as lzexpand.h numbers them.
inline constexpr std::int32_t kLzErrorBadInHandle = -1;
inline constexpr std::int32_t kLzErrorBadOutHandle = -2;
inline constexpr std::int32_t kLzErrorRead = -3;
inline constexpr std::int32_t kLzErrorWrite = -4;
inline constexpr std::int32_t kLzErrorGlobalAlloc = -5;
inline constexpr std::int32_t kLzErrorGlobalLock = -6;
inline constexpr std::int32_t kLzErrorBadValue = -7;
inline constexpr std::int32_t kLzErrorUnknownAlg = -8;

inline constexpr std::uint8_t kSignature[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};
inline constexpr std::size_t kHeaderSize = 14;
inline constexpr std::uint8_t kModeA = 'A';  // the only mode any decoder knows

struct Header {
    std::uint8_t mode;              // 'A'; anything else is refused by the expander
    std::uint8_t missing_char;      // the name's last character that '_' replaced, or 0
    std::uint32_t expanded_length;  // as stored; the expander does not rely on it
};

// True when data starts with the SZDD signature and holds a whole header.
bool ParseHeader(const std::uint8_t* data, std::size_t size, Header& out);

// Where an expander reads from: the simulated platform adapts a file handle to it.
class Source {
public:
    // Up to count bytes into buf; fewer is fine. 0 at the end, negative on failure.
    virtual std::int32_t read(void* buf, std::uint32_t count) = 0;

protected:
    ~Source() = default;
};

// Where Expander::copy writes.
class Sink {
public:
    // True when all count bytes were written.
    virtual bool write(const void* buf, std::uint32_t count) = 0;

protected:
    ~Sink() = default;
};

// One LZ32 expansion handle. No allocation and no shared state: any number may be open
// at once (the platform enforces LZ32's limit of 16 itself). About 29 KB each.
//
// What it answers, matching Wine's LZ32 (checked by tests/szdd against lz32_probe):
// - init on a source shorter than the header or without the signature gives 0 and the
//   file passes through unchanged (the bytes read while probing are replayed);
// - init on a mode other than 'A' gives kLzErrorUnknownAlg; a source read that fails
//   during init gives 0 and a file that is not compressed (the owner starts the source
//   again from its beginning, as LZ32 does), whose reads then fail while the source does;
// - the expanded data ends where the compressed data ends, whatever the header's length
//   says: bytes after the last item are decoded too, and an item cut off by the end of
//   the file is dropped. Compare produced() with header().expanded_length to see damage;
// - read gives as many bytes as asked until the end, then fewer, then 0 on every later
//   call; a failing source read gives kLzErrorRead from then on;
// - copy writes the rest of the expanded data and gives the number of bytes it wrote,
//   kLzErrorWrite when the sink fails (or the total would pass 2 GiB), kLzErrorRead when
//   the source fails, kLzErrorUnknownAlg after such an init. (Wine's LZCopy answers 0
//   for an unknown mode without writing anything; we report the error.)
class Expander {
public:
    Expander() = default;
    Expander(const Expander&) = delete;
    Expander& operator=(const Expander&) = delete;

    // LZInit. The source must outlive the expander's use; init may be called again to
    // start over on another source.
    std::int32_t init(Source& source);

    // LZRead: the next expanded bytes (at most 2 GiB - 1 per call).
    std::int32_t read(void* buf, std::uint32_t count);

    // LZCopy from the current position to the end.
    std::int32_t copy(Sink& sink);

    bool compressed() const { return mode_ == Mode::kSzdd; }
    const Header& header() const { return header_; }      // zero unless compressed()
    std::uint64_t produced() const { return produced_; }  // bytes given by read and copy

private:
    enum class Mode : std::uint8_t { kClosed, kPlain, kSzdd, kUnknownAlg, kFailed };

    static constexpr std::uint32_t kWindow = 4096;
    static constexpr std::uint32_t kChunk = 16384;   // decoded per refill
    static constexpr std::uint32_t kSlack = 8 * 18;  // a flag group started in the chunk ends here
    static constexpr std::uint32_t kInput = 8192;

    bool FillInput(std::uint32_t wanted);
    std::uint32_t Decode();
    std::int32_t ReadPlain(std::uint8_t* buf, std::uint32_t count);
    std::int32_t ReadSzdd(std::uint8_t* buf, std::uint32_t count);

    Source* source_ = nullptr;
    Mode mode_ = Mode::kClosed;
    Header header_{};
    std::uint64_t produced_ = 0;

    std::uint8_t in_[kInput];
    std::uint32_t in_pos_ = 0;
    std::uint32_t in_end_ = 0;
    bool in_eof_ = false;  // the source said 0
    bool in_error_ = false;

    // out_[0, kWindow) is the history the ring holds; decoding appends after it.
    std::uint8_t out_[kWindow + kChunk + kSlack];
    std::uint32_t out_pos_ = kWindow;  // next byte to give
    std::uint32_t out_end_ = kWindow;  // end of the decoded bytes
    std::uint32_t ring_ = 0;           // ring position of the next decoded byte
    std::uint32_t flags_ = 1;          // unread flag bits above a marker bit
    bool data_ended_ = false;
};

// Compression: the smallest SZDD file that every decoder expands the same way (matches
// of 3 to 16 bytes, the exact length in the header, nothing after the last item).

// An upper bound on the output for size input bytes.
std::size_t MaxCompressedSize(std::size_t size);

// Compresses into out (capacity bytes); returns the output size, or 0 when the input
// passes the format's 4 GiB - 1 limit or the output would not fit.
std::size_t Compress(const std::uint8_t* data, std::size_t size, std::uint8_t missing_char,
                     std::uint8_t* out, std::size_t capacity);

// The same into a vector sized to fit; false only past the 4 GiB - 1 limit.
bool Compress(const std::uint8_t* data, std::size_t size, std::uint8_t missing_char,
              std::vector<std::uint8_t>& out);

}  // namespace zep::szdd
