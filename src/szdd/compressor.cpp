#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>

#include "szdd/szdd.h"

namespace zep::szdd {

namespace {

constexpr std::size_t kWindow = 4096;
constexpr std::uint32_t kMinMatch = 3;
constexpr std::uint32_t kMaxMatch = 16;  // 17 and 18 fit the format but strict decoders refuse them
constexpr std::uint32_t kFirstRingPosition = 0xFF0;
constexpr std::uint32_t kLiteralBits = 9;
constexpr std::uint32_t kMatchBits = 17;
// The parse is optimal within a block; blocks only bound the memory of the parse.
constexpr std::size_t kBlock = std::size_t{1} << 20;
// Blocks this long have their matches found by two threads (the search is most of the work).
constexpr std::size_t kParallelFrom = std::size_t{1} << 18;
constexpr std::uint32_t kUnreachable = 0x7FFFFFFF;  // far above any block's cost

// The longest match for every position, from a binary tree of the window's strings (cut
// at 16 bytes) under a hash of their first three. The tree keeps the newest position
// nearest its root, so a node outside the window ends the search for its whole subtree,
// and a string equal to an older one over 16 bytes takes that one's place: the search is
// exact and runs of one byte cost no more than other data.
class MatchFinder {
public:
    // text must have kPadding readable bytes after its end; origin is the first position
    // to be inserted, and fewer than 2^31 may follow (a block and its window do).
    MatchFinder(const std::uint8_t* text, std::size_t origin)
        : text_(text),
          base_(origin - kFirst),
          head_(kHashSize, kNone),
          tree_(2 * kTreeSize, kNone) {}

    // Inserts position p (comparing at most limit bytes, limit >= kMinMatch) and returns
    // the length of its longest match, with that match's distance.
    std::uint32_t Insert(std::size_t p, std::uint32_t limit, std::uint32_t& distance) {
        const std::uint32_t pos = static_cast<std::uint32_t>(p - base_);
        const std::uint8_t* cur = text_ + p;
        std::uint32_t key = static_cast<std::uint32_t>(cur[0]) << 16 | cur[1] << 8 | cur[2];
        std::uint32_t& head = head_[key * 2654435761u >> (32 - kHashBits)];
        std::uint32_t candidate = head;
        head = pos;
        std::uint32_t* smaller = &tree_[2 * (pos & (kTreeSize - 1))];
        std::uint32_t* larger = smaller + 1;
        std::uint32_t best = 0;
        for (;;) {
            const std::uint32_t age = pos - candidate;
            if (age > kWindow) {
                *smaller = *larger = kNone;
                return best;
            }
            std::uint32_t* pair = &tree_[2 * (candidate & (kTreeSize - 1))];
            const std::uint8_t* old = cur - age;
            const std::uint32_t len = CommonLength(old, cur, limit);
            if (len > best) {
                best = len;
                distance = age;
            }
            if (len == limit) {
                *smaller = pair[0];
                *larger = pair[1];
                return best;
            }
            if (old[len] < cur[len]) {
                *smaller = candidate;
                smaller = pair + 1;
                candidate = *smaller;
            } else {
                *larger = candidate;
                larger = pair;
                candidate = *larger;
            }
        }
    }

    static constexpr std::size_t kPadding = 16;

private:
    static constexpr std::uint32_t kHashBits = 13;  // twice the strings a window holds
    static constexpr std::size_t kHashSize = std::size_t{1} << kHashBits;
    static constexpr std::size_t kTreeSize = 2 * kWindow;  // a node at distance 4096 must survive
    // Positions count from kFirst, so that kNone is always outside the window.
    static constexpr std::uint32_t kNone = 0;
    static constexpr std::size_t kFirst = 2 * kWindow;

    static_assert(std::endian::native == std::endian::little,
                  "the first differing byte is the lowest");

    // How far a and b agree, up to limit (at most 16); both have 16 readable bytes.
    static std::uint32_t CommonLength(const std::uint8_t* a, const std::uint8_t* b,
                                      std::uint32_t limit) {
        std::uint64_t x, y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        std::uint32_t len;
        if (x != y) {
            len = static_cast<std::uint32_t>(__builtin_ctzll(x ^ y)) >> 3;
        } else {
            std::memcpy(&x, a + 8, 8);
            std::memcpy(&y, b + 8, 8);
            len = x != y ? 8 + (static_cast<std::uint32_t>(__builtin_ctzll(x ^ y)) >> 3) : 16;
        }
        return std::min(len, limit);
    }

    const std::uint8_t* text_;
    std::size_t base_;
    std::vector<std::uint32_t> head_;
    std::vector<std::uint32_t> tree_;  // two children per position, modulo kTreeSize
};

std::uint32_t Limit(std::size_t end, std::size_t p) {
    return static_cast<std::uint32_t>(std::min<std::size_t>(kMaxMatch, end - p));
}

// The longest match at each position from..to-1 of text (which ends at end), with a
// finder of its own primed with the window before from, so ranges can run in parallel.
void FindMatches(const std::uint8_t* text, std::size_t end, std::size_t from, std::size_t to,
                 std::uint8_t* longest, std::uint16_t* distance) {
    // Older all-space strings of the initial ring would only be replaced by the newest.
    const std::size_t prime = std::max(kWindow - kMaxMatch - 1, from - kWindow);
    MatchFinder finder(text, prime);
    std::uint32_t unused;
    for (std::size_t p = prime; p < from && end - p >= kMinMatch; ++p)
        finder.Insert(p, Limit(end, p), unused);
    for (std::size_t p = from; p < to; ++p) {
        std::uint32_t limit = Limit(end, p);
        std::uint32_t d = 0;
        longest[p - from] =
            static_cast<std::uint8_t>(limit >= kMinMatch ? finder.Insert(p, limit, d) : 0);
        distance[p - from] = static_cast<std::uint16_t>(d);
    }
}

// Finds the matches of a block in two halves at once; the result does not depend on
// whether the second thread could be started.
void FindMatchesInHalves(const std::uint8_t* text, std::size_t end, std::size_t from,
                         std::size_t count, std::uint8_t* longest, std::uint16_t* distance) {
    const std::size_t half = count / 2;
    std::exception_ptr failure;
    auto first_half = [&] {
        try {
            FindMatches(text, end, from, from + half, longest, distance);
        } catch (...) {
            failure = std::current_exception();
        }
    };
    std::thread helper;
    try {
        helper = std::thread(first_half);
    } catch (const std::system_error&) {
        first_half();
    }
    struct Joiner {
        std::thread& thread;
        ~Joiner() {
            if (thread.joinable()) thread.join();
        }
    } joiner{helper};
    FindMatches(text, end, from + half, from + count, longest + half, distance + half);
    if (helper.joinable()) helper.join();
    if (failure) std::rethrow_exception(failure);
}

// The minimum of the costs of any span of up to 16 positions in a few steps (spans of
// 1, 2, 4 and 8 overlapping), for the parse which asks once per position. Positions are
// added from the end backwards; only the last 32 are kept.
class MinTable {
public:
    void Reset() {
        for (auto& level : levels_) std::fill(std::begin(level), std::end(level), kUnreachable);
    }

    void Add(std::size_t at, std::uint32_t cost) {
        levels_[0][at & kMask] = cost;
        for (std::size_t j = 1; j < kLevels; ++j) {
            levels_[j][at & kMask] =
                std::min(levels_[j - 1][at & kMask],
                         levels_[j - 1][(at + (std::size_t{1} << (j - 1))) & kMask]);
        }
    }

    // The least cost at positions first to last, both included, last - first < 16.
    std::uint32_t Min(std::size_t first, std::size_t last) const {
        static constexpr std::uint8_t kLevelOf[16] = {0, 1, 1, 2, 2, 2, 2, 3,
                                                      3, 3, 3, 3, 3, 3, 3, 3};
        std::size_t j = kLevelOf[last - first];
        return std::min(levels_[j][first & kMask],
                        levels_[j][(last + 1 - (std::size_t{1} << j)) & kMask]);
    }

private:
    static constexpr std::size_t kLevels = 4;
    static constexpr std::size_t kMask = 31;
    std::uint32_t levels_[kLevels][kMask + 1];
};

class Writer {
public:
    Writer(std::uint8_t* out, std::size_t capacity) : out_(out), capacity_(capacity) {}

    bool Literal(std::uint8_t byte) {
        if (!StartItem(1)) return false;
        out_[flag_at_] |= static_cast<std::uint8_t>(1u << items_++);
        out_[size_++] = byte;
        return true;
    }

    bool Match(std::uint32_t ring_position, std::uint32_t length) {
        if (!StartItem(2)) return false;
        ++items_;
        out_[size_++] = static_cast<std::uint8_t>(ring_position);
        out_[size_++] =
            static_cast<std::uint8_t>((ring_position >> 4 & 0xF0) | (length - kMinMatch));
        return true;
    }

    bool Raw(const std::uint8_t* bytes, std::size_t count) {
        if (capacity_ - size_ < count) return false;
        std::memcpy(out_ + size_, bytes, count);
        size_ += count;
        return true;
    }

    std::size_t size() const { return size_; }

private:
    bool StartItem(std::size_t bytes) {
        if (items_ == 8) {
            if (size_ == capacity_) return false;
            flag_at_ = size_;
            out_[size_++] = 0;
            items_ = 0;
        }
        return capacity_ - size_ >= bytes;
    }

    std::uint8_t* out_;
    std::size_t capacity_;
    std::size_t size_ = 0;
    std::size_t flag_at_ = 0;
    std::uint32_t items_ = 8;  // a flag byte is opened with the first item
};

}  // namespace

std::size_t MaxCompressedSize(std::size_t size) {
    return kHeaderSize + size + size / 8 + 1;
}

std::size_t Compress(const std::uint8_t* data, std::size_t size, std::uint8_t missing_char,
                     std::uint8_t* out, std::size_t capacity) {
    if (size > 0xFFFFFFFFu) return 0;
    Writer writer(out, capacity);
    std::uint8_t header[kHeaderSize];
    std::memcpy(header, kSignature, sizeof kSignature);
    header[8] = kModeA;
    header[9] = missing_char;
    for (int k = 0; k < 4; ++k) header[10 + k] = static_cast<std::uint8_t>(size >> (8 * k));
    if (!writer.Raw(header, kHeaderSize)) return 0;
    if (size == 0) return writer.size();

    // The ring starts as spaces: put them before the data so they are ordinary matches.
    std::vector<std::uint8_t> text(kWindow + size + MatchFinder::kPadding);
    std::memset(text.data(), ' ', kWindow);
    std::memcpy(text.data() + kWindow, data, size);
    const std::size_t end = kWindow + size;

    const std::size_t block = std::min(size, kBlock);
    std::vector<std::uint8_t> longest(block);
    std::vector<std::uint16_t> distance(block);
    std::vector<std::uint32_t> cost(block + 1 + kMaxMatch);
    MinTable table;

    for (std::size_t first = 0; first < size; first += block) {
        const std::size_t count = std::min(block, size - first);
        if (count >= kParallelFrom) {
            FindMatchesInHalves(text.data(), end, kWindow + first, count, longest.data(),
                                distance.data());
        } else {
            FindMatches(text.data(), end, kWindow + first, kWindow + first + count, longest.data(),
                        distance.data());
        }

        // Shortest path from each position to the block's end. Every match length up to
        // the longest is available at the same distance for the same cost, so a match
        // costs 17 bits plus the cheapest of the next 3 to longest positions.
        std::fill(cost.begin() + static_cast<std::ptrdiff_t>(count), cost.end(), kUnreachable);
        cost[count] = 0;
        table.Reset();
        table.Add(count, 0);
        for (std::size_t i = count; i-- > 0;) {
            std::uint32_t reach =
                static_cast<std::uint32_t>(std::min<std::size_t>(longest[i], count - i));
            std::uint32_t best = cost[i + 1] + kLiteralBits;
            std::uint32_t match =
                table.Min(i + kMinMatch, i + std::max(reach, kMinMatch)) + kMatchBits;
            if (reach >= kMinMatch && match < best) best = match;
            cost[i] = best;
            table.Add(i, best);
        }

        for (std::size_t i = 0; i < count;) {
            std::size_t at = first + i;
            std::uint32_t len = 1;
            if (cost[i] != cost[i + 1] + kLiteralBits) {
                len = longest[i];
                while (cost[i + len] + kMatchBits != cost[i]) --len;
            }
            bool ok;
            if (len == 1) {
                ok = writer.Literal(data[at]);
            } else {
                std::uint32_t ring = static_cast<std::uint32_t>(
                    (kFirstRingPosition + at - distance[i]) & (kWindow - 1));
                ok = writer.Match(ring, len);
            }
            if (!ok) return 0;
            i += len;
        }
    }
    return writer.size();
}

bool Compress(const std::uint8_t* data, std::size_t size, std::uint8_t missing_char,
              std::vector<std::uint8_t>& out) {
    if (size > 0xFFFFFFFFu) return false;
    out.resize(MaxCompressedSize(size));
    std::size_t written = Compress(data, size, missing_char, out.data(), out.size());
    out.resize(written);
    return written != 0;
}

}  // namespace zep::szdd
