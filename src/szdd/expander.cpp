#include <cstring>

#include "szdd/szdd.h"

namespace zep::szdd {

namespace {

constexpr std::uint32_t kRingMask = 0xFFF;
constexpr std::uint32_t kFirstRingPosition = 0xFF0;
constexpr std::uint32_t kLongestMatch = 18;  // what decoders accept; we write at most 16
constexpr std::uint32_t kGroupInput = 17;    // a flag byte and eight two-byte matches
constexpr std::int32_t kMaxResult = 0x7FFFFFFF;

}  // namespace

bool ParseHeader(const std::uint8_t* data, std::size_t size, Header& out) {
    if (size < kHeaderSize || std::memcmp(data, kSignature, sizeof kSignature) != 0) return false;
    out.mode = data[8];
    out.missing_char = data[9];
    out.expanded_length =
        static_cast<std::uint32_t>(data[10]) | static_cast<std::uint32_t>(data[11]) << 8 |
        static_cast<std::uint32_t>(data[12]) << 16 | static_cast<std::uint32_t>(data[13]) << 24;
    return true;
}

std::int32_t Expander::init(Source& source) {
    source_ = &source;
    header_ = {};
    produced_ = 0;
    in_pos_ = in_end_ = 0;
    in_eof_ = in_error_ = false;
    out_pos_ = out_end_ = kWindow;
    ring_ = kFirstRingPosition;
    flags_ = 1;
    data_ended_ = false;

    // A short source may answer in pieces; the header is whatever the first 14 bytes are.
    // A header that cannot be read makes the file one that is not compressed, as for
    // LZ32, which reads it again from its start: what follows fails while the source does.
    if (!FillInput(kHeaderSize) && in_error_) {
        mode_ = Mode::kPlain;
        in_pos_ = in_end_ = 0;
        in_error_ = false;
        return 0;
    }
    Header header;
    if (!ParseHeader(in_, in_end_, header)) {
        mode_ = Mode::kPlain;  // in_ still holds the probed bytes, to be replayed
        return 0;
    }
    if (header.mode != kModeA) {
        mode_ = Mode::kUnknownAlg;
        return kLzErrorUnknownAlg;
    }
    header_ = header;
    mode_ = Mode::kSzdd;
    in_pos_ = kHeaderSize;
    std::memset(out_, ' ', kWindow);
    return 0;
}

bool Expander::FillInput(std::uint32_t wanted) {
    std::uint32_t have = in_end_ - in_pos_;
    if (have >= wanted) return true;
    if (in_eof_ || in_error_) return false;
    std::memmove(in_, in_ + in_pos_, have);
    in_pos_ = 0;
    in_end_ = have;
    while (in_end_ < wanted) {
        std::uint32_t room = kInput - in_end_;
        std::int32_t got = source_->read(in_ + in_end_, room);
        if (got < 0) {
            in_error_ = true;
            return false;
        }
        if (got == 0) {
            in_eof_ = true;
            return false;
        }
        in_end_ += static_cast<std::uint32_t>(got) < room ? static_cast<std::uint32_t>(got) : room;
    }
    return true;
}

// Decodes up to a chunk after the history; returns how many bytes it added. Stops early
// only when the input ends or fails (data_ended_ or in_error_ tells which).
std::uint32_t Expander::Decode() {
    if (out_end_ >= kWindow + kChunk) {
        std::memmove(out_, out_ + out_end_ - kWindow, kWindow);
        out_pos_ = out_end_ = kWindow;
    }
    std::uint8_t* const out = out_;
    const std::uint32_t start = out_end_;
    const std::uint32_t limit = kWindow + kChunk;
    std::uint32_t o = start;
    std::uint32_t ring = ring_;
    std::uint32_t flags = flags_;
    bool ended = false;

    while (o < limit) {
        if (in_end_ - in_pos_ < kGroupInput) FillInput(kGroupInput);
        if (flags == 1 && in_end_ - in_pos_ >= kGroupInput) {
            // A whole group with no bounds checks: the input was checked above, and the
            // slack after the chunk holds eight longest matches.
            const std::uint8_t* in = in_ + in_pos_;
            std::uint32_t bits = *in++;
            for (int item = 0; item < 8; ++item, bits >>= 1) {
                if (bits & 1) {
                    out[o++] = *in++;
                    ++ring;
                    continue;
                }
                std::uint32_t b0 = in[0];
                std::uint32_t b1 = in[1];
                in += 2;
                std::uint32_t from = b0 | (b1 & 0xF0) << 4;
                std::uint32_t length = (b1 & 0x0F) + 3;
                std::uint32_t distance = ((ring - from - 1) & kRingMask) + 1;
                const std::uint8_t* src = out + o - distance;
                if (distance >= kLongestMatch) {
                    // Bytes copied past the match's end are overwritten by what follows.
                    std::memcpy(out + o, src, kLongestMatch);
                } else {
                    for (std::uint32_t k = 0; k < length; ++k) out[o + k] = src[k];
                }
                o += length;
                ring += length;
            }
            in_pos_ = static_cast<std::uint32_t>(in - in_);
            continue;
        }

        if (flags == 1) {
            if (!FillInput(1)) {
                ended = true;
                break;
            }
            flags = 0x100 | in_[in_pos_++];
        }
        if (flags & 1) {
            if (!FillInput(1)) {
                ended = true;
                break;
            }
            out[o++] = in_[in_pos_++];
            ++ring;
        } else {
            if (!FillInput(2)) {  // a match cut off by the end of the file is dropped
                ended = true;
                break;
            }
            std::uint32_t b0 = in_[in_pos_];
            std::uint32_t b1 = in_[in_pos_ + 1];
            in_pos_ += 2;
            std::uint32_t from = b0 | (b1 & 0xF0) << 4;
            std::uint32_t length = (b1 & 0x0F) + 3;
            std::uint32_t distance = ((ring - from - 1) & kRingMask) + 1;
            for (std::uint32_t k = 0; k < length; ++k) out[o + k] = out[o + k - distance];
            o += length;
            ring += length;
        }
        flags >>= 1;
    }

    ring_ = ring;
    flags_ = flags;
    if (ended && !in_error_) data_ended_ = true;
    out_end_ = o;
    return o - start;
}

std::int32_t Expander::read(void* buf, std::uint32_t count) {
    if (count > static_cast<std::uint32_t>(kMaxResult)) count = kMaxResult;
    auto* dst = static_cast<std::uint8_t*>(buf);
    std::int32_t result;
    switch (mode_) {
        case Mode::kPlain:
            result = ReadPlain(dst, count);
            break;
        case Mode::kSzdd:
            result = ReadSzdd(dst, count);
            break;
        default:
            return kLzErrorBadInHandle;
    }
    if (result > 0) produced_ += static_cast<std::uint32_t>(result);
    return result;
}

std::int32_t Expander::ReadPlain(std::uint8_t* buf, std::uint32_t count) {
    std::uint32_t done = 0;
    std::uint32_t replay = in_end_ - in_pos_;
    if (replay > 0) {
        done = replay < count ? replay : count;
        std::memcpy(buf, in_ + in_pos_, done);
        in_pos_ += done;
    }
    while (done < count && !in_eof_) {
        if (in_error_) return kLzErrorRead;
        std::int32_t got = source_->read(buf + done, count - done);
        if (got < 0) {
            in_error_ = true;
            return kLzErrorRead;
        }
        if (got == 0) in_eof_ = true;
        done += static_cast<std::uint32_t>(got) < count - done ? static_cast<std::uint32_t>(got)
                                                               : count - done;
    }
    return static_cast<std::int32_t>(done);
}

std::int32_t Expander::ReadSzdd(std::uint8_t* buf, std::uint32_t count) {
    std::uint32_t done = 0;
    while (done < count) {
        std::uint32_t ready = out_end_ - out_pos_;
        if (ready == 0) {
            if (in_error_) return kLzErrorRead;
            if (data_ended_) break;
            if (Decode() == 0 && in_error_) return kLzErrorRead;
            continue;
        }
        std::uint32_t take = ready < count - done ? ready : count - done;
        std::memcpy(buf + done, out_ + out_pos_, take);
        out_pos_ += take;
        done += take;
    }
    return static_cast<std::int32_t>(done);
}

std::int32_t Expander::copy(Sink& sink) {
    if (mode_ == Mode::kUnknownAlg) return kLzErrorUnknownAlg;
    if (mode_ != Mode::kPlain && mode_ != Mode::kSzdd) return kLzErrorBadInHandle;
    std::uint64_t total = 0;
    for (;;) {
        const std::uint8_t* block;
        std::uint32_t size;
        if (mode_ == Mode::kSzdd) {
            if (out_pos_ == out_end_) {
                if (in_error_) return kLzErrorRead;
                if (data_ended_) break;
                Decode();
                continue;
            }
            block = out_ + out_pos_;
            size = out_end_ - out_pos_;
            out_pos_ = out_end_;
        } else {
            if (in_pos_ == in_end_) {
                if (in_error_) return kLzErrorRead;
                if (in_eof_) break;
                in_pos_ = in_end_ = 0;
                FillInput(1);
                continue;
            }
            block = in_ + in_pos_;
            size = in_end_ - in_pos_;
            in_pos_ = in_end_;
        }
        total += size;
        produced_ += size;
        if (total > static_cast<std::uint64_t>(kMaxResult) || !sink.write(block, size)) {
            return kLzErrorWrite;
        }
    }
    return static_cast<std::int32_t>(total);
}

}  // namespace zep::szdd
