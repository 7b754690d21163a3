// The codec on its own: our compressor's output read by an independent strict reader and by
// our expander, the parse's optimality against a brute force, and the expander's LZ32
// behaviour on every kind of damaged or foreign input.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "support.h"
#include "szdd/szdd.h"

namespace zep::szdd::test {
namespace {

// Everything an expander gives, read in steps of chunk bytes; the last result in *end.
Bytes ReadAll(const Bytes& file, std::uint32_t chunk, std::int32_t* end = nullptr,
              std::uint32_t piece = 0xFFFFFFFF) {
    MemorySource source(file, piece);
    auto e = std::make_unique<Expander>();
    EXPECT_EQ(e->init(source), 0);
    Bytes out;
    Bytes buf(chunk);
    std::int32_t r;
    while ((r = e->read(buf.data(), chunk)) > 0)
        out.insert(out.end(), buf.begin(), buf.begin() + r);
    if (end != nullptr) *end = r;
    return out;
}

Bytes CopyAll(const Bytes& file, std::int32_t* result = nullptr) {
    MemorySource source(file);
    auto e = std::make_unique<Expander>();
    EXPECT_EQ(e->init(source), 0);
    VectorSink sink;
    std::int32_t r = e->copy(sink);
    if (result != nullptr) *result = r;
    return sink.bytes;
}

// An independent strict reader: what 7-Zip-like decoders demand of a file.
std::string StrictProblem(const Bytes& file, const Bytes& expected) {
    Header h;
    if (!ParseHeader(file.data(), file.size(), h) || h.mode != 'A') return "bad header";
    if (h.expanded_length != expected.size())
        return "header length " + std::to_string(h.expanded_length);
    std::uint8_t ring[4096];
    std::fill(std::begin(ring), std::end(ring), ' ');
    unsigned pos = 0xFF0;
    Bytes out;
    std::size_t in = kHeaderSize;
    while (in < file.size()) {
        if (out.size() >= expected.size()) return "bytes after the last item";
        unsigned flags = file[in++];
        for (int bit = 0; bit < 8 && in < file.size() && out.size() < expected.size(); ++bit) {
            if (flags >> bit & 1) {
                out.push_back(ring[pos++ & 0xFFF] = file[in++]);
                continue;
            }
            if (in + 2 > file.size()) return "match cut off";
            unsigned from = file[in] | (file[in + 1] & 0xF0) << 4;
            unsigned length = (file[in + 1] & 0x0F) + 3u;
            in += 2;
            if (length > 16) return "match of " + std::to_string(length);
            if (out.size() + length > expected.size()) return "match past the end";
            for (unsigned k = 0; k < length; ++k)
                out.push_back(ring[pos++ & 0xFFF] = ring[(from + k) & 0xFFF]);
        }
    }
    if (out != expected) return "wrong content";
    return "";
}

TEST(SzddCodec, CorpusRoundTripsThroughStrictReaderAndExpander) {
    for (const CorpusFile& f : MakeCorpus()) {
        SCOPED_TRACE(f.name);
        Bytes packed = Packed(f.data, 'X');
        EXPECT_EQ(StrictProblem(packed, f.data), "");
        EXPECT_LE(packed.size(), MaxCompressedSize(f.data.size()));
        EXPECT_EQ(CopyAll(packed), f.data);
        for (std::uint32_t chunk : {1u, 7u, 4096u, 100000u}) {
            if (chunk == 1 && f.data.size() > 70000) continue;
            std::int32_t end = -99;
            EXPECT_EQ(ReadAll(packed, chunk, &end, chunk == 7 ? 5 : 0xFFFFFFFF), f.data)
                << "chunk " << chunk;
            EXPECT_EQ(end, 0);
        }
    }
}

TEST(SzddCodec, HeaderCarriesNameCharacterAndLength) {
    Bytes data(1000, 'q');
    Bytes packed = Packed(data, 'E');
    Header h;
    ASSERT_TRUE(ParseHeader(packed.data(), packed.size(), h));
    EXPECT_EQ(h.mode, 'A');
    EXPECT_EQ(h.missing_char, 'E');
    EXPECT_EQ(h.expanded_length, 1000u);
    EXPECT_FALSE(ParseHeader(packed.data(), kHeaderSize - 1, h));

    Bytes empty = Packed({});
    EXPECT_EQ(empty.size(), kHeaderSize);
    EXPECT_EQ(CopyAll(empty), Bytes{});
}

TEST(SzddCodec, CompressRefusesTooSmallOutputBuffer) {
    Bytes text(3000);
    std::iota(text.begin(), text.end(), 0);
    Bytes out(MaxCompressedSize(text.size()));
    std::size_t full = Compress(text.data(), text.size(), 0, out.data(), out.size());
    ASSERT_GT(full, kHeaderSize);
    EXPECT_EQ(Compress(text.data(), text.size(), 0, out.data(), full - 1), 0u);
    EXPECT_EQ(Compress(text.data(), text.size(), 0, out.data(), full), full);
}

// The smallest possible file: the longest match at each position found by trying every
// earlier position with the same first three bytes, then the cheapest parse.
std::size_t BruteForceOptimalSize(const Bytes& data) {
    const std::size_t n = data.size();
    Bytes ext(4096 + n, ' ');
    for (std::size_t i = 0; i < n; ++i) ext[4096 + i] = data[i];
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> seen;
    auto key = [&ext](std::size_t p) {
        return std::uint32_t{ext[p]} << 16 | ext[p + 1] << 8 | ext[p + 2];
    };
    std::vector<std::size_t> longest(n, 0);
    for (std::size_t p = 0; p + 3 <= ext.size(); ++p) {
        std::vector<std::size_t>& earlier = seen[key(p)];
        if (p >= 4096) {
            std::size_t i = p - 4096;
            for (auto q = earlier.rbegin(); q != earlier.rend() && p - *q <= 4096; ++q) {
                std::size_t len = 0;
                while (len < 16 && i + len < n && ext[*q + len] == ext[p + len]) ++len;
                longest[i] = std::max(longest[i], len);
            }
        }
        earlier.push_back(p);
    }
    std::vector<std::uint32_t> bits(n + 1, 0);
    for (std::size_t i = n; i-- > 0;) {
        bits[i] = bits[i + 1] + 9;
        for (std::size_t len = 3; len <= longest[i]; ++len)
            bits[i] = std::min(bits[i], bits[i + len] + 17);
    }
    return kHeaderSize + (bits[0] + 7) / 8;
}

TEST(SzddCodec, ParseIsOptimal) {
    std::mt19937 rng(42);
    for (unsigned alphabet : {2u, 3u, 5u, 17u, 256u}) {
        for (std::size_t size : {40u, 700u, 5000u}) {
            Bytes data(size);
            for (auto& b : data)
                b = static_cast<std::uint8_t>("  ab\x01\x02xyz"[rng() % 9] + rng() % alphabet);
            SCOPED_TRACE("alphabet " + std::to_string(alphabet) + " size " + std::to_string(size));
            EXPECT_EQ(Packed(data).size(), BruteForceOptimalSize(data));
        }
    }
    // Long enough for the match search to run in two halves.
    Bytes data(300000);
    for (auto& b : data) b = static_cast<std::uint8_t>('a' + rng() % 4);
    EXPECT_EQ(Packed(data).size(), BruteForceOptimalSize(data));
}

// What Wine's LZ32 does with files that are not SZDD: they pass through unchanged.
TEST(SzddExpander, ForeignFilesPassThroughWithProbedBytesReplayed) {
    Bytes packed = Packed(Bytes(100, 'x'));
    std::vector<Bytes> foreign = {{},
                                  {'S'},
                                  Bytes(packed.begin(), packed.begin() + 8),
                                  Bytes(packed.begin(), packed.begin() + 13),
                                  Bytes(5000, 'p')};
    Bytes other_signature = packed;
    other_signature[7] = 0x34;
    foreign.push_back(other_signature);
    for (const Bytes& file : foreign) {
        SCOPED_TRACE(file.size());
        std::int32_t end;
        EXPECT_EQ(ReadAll(file, 3, &end, 1), file);
        EXPECT_EQ(end, 0);
        EXPECT_EQ(CopyAll(file), file);
        MemorySource source(file);
        Expander e;
        e.init(source);
        EXPECT_FALSE(e.compressed());
    }
}

TEST(SzddExpander, UnknownModeIsRefused) {
    Bytes file = Packed(Bytes(300, 'm'));
    file[8] = 'B';
    MemorySource source(file);
    Expander e;
    EXPECT_EQ(e.init(source), kLzErrorUnknownAlg);
    char buf[16];
    EXPECT_EQ(e.read(buf, sizeof buf), kLzErrorBadInHandle);
    VectorSink sink;
    EXPECT_EQ(e.copy(sink), kLzErrorUnknownAlg);
    EXPECT_TRUE(sink.bytes.empty());
}

TEST(SzddExpander, TruncatedFileGivesWhatWasDecodedThenZero) {
    Bytes data = MakeCorpus().back().data;  // a system text or binary, else the largest mix
    data.resize(std::min<std::size_t>(data.size(), 6000));
    Bytes packed = Packed(data);
    std::size_t previous = 0;
    for (std::size_t cut = kHeaderSize; cut < packed.size(); ++cut) {
        Bytes file(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(cut));
        std::int32_t end;
        Bytes out = ReadAll(file, 512, &end);
        ASSERT_EQ(end, 0) << cut;
        ASSERT_LE(out.size(), data.size()) << cut;
        ASSERT_TRUE(std::equal(out.begin(), out.end(), data.begin())) << cut;
        ASSERT_GE(out.size(), previous) << cut;
        previous = out.size();
        EXPECT_EQ(CopyAll(file), out);
    }
}

TEST(SzddExpander, DataDecidesTheEndNotTheHeaderLength) {
    Bytes data(5000);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>("install "[i % 8] + i / 800);
    Bytes packed = Packed(data);
    for (std::uint32_t stated : {0u, 100u, 5100u, 0xFFFFFFFFu}) {
        Bytes file = packed;
        for (int k = 0; k < 4; ++k) file[10 + k] = static_cast<std::uint8_t>(stated >> 8 * k);
        EXPECT_EQ(ReadAll(file, 1000), data) << stated;
    }
    // As Wine: ten zero bytes after the data are a flag byte of matches, four of them whole.
    Bytes trailing = packed;
    trailing.insert(trailing.end(), 10, 0);
    Bytes out = ReadAll(trailing, 1000);
    ASSERT_EQ(out.size(), data.size() + 12);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin()));
    MemorySource source(trailing);
    Expander e;
    ASSERT_EQ(e.init(source), 0);
    VectorSink sink;
    EXPECT_EQ(e.copy(sink), static_cast<std::int32_t>(data.size() + 12));
    EXPECT_NE(e.produced(), e.header().expanded_length);  // how zep expand sees damage
}

TEST(SzddExpander, SourceAndSinkFailuresAreReported) {
    Bytes data(40000);
    std::mt19937 rng(7);
    for (auto& b : data) b = static_cast<std::uint8_t>(rng() % 4 + 'a');
    Bytes packed = Packed(data);
    {
        // As LZ32: a header that cannot be read is a file that is not compressed.
        MemorySource source(packed, 0xFFFFFFFF, 5);
        Expander e;
        EXPECT_EQ(e.init(source), 0);
        EXPECT_FALSE(e.compressed());
        char buf[16];
        EXPECT_EQ(e.read(buf, sizeof buf), kLzErrorRead);
    }
    for (std::size_t fail_at : {std::size_t{14}, packed.size() / 2, packed.size() - 1}) {
        MemorySource source(packed, 1000, fail_at);
        Expander e;
        ASSERT_EQ(e.init(source), 0);
        Bytes buf(3000);
        std::int32_t r;
        while ((r = e.read(buf.data(), 3000)) > 0) {
        }
        EXPECT_EQ(r, kLzErrorRead) << fail_at;
        EXPECT_EQ(e.read(buf.data(), 3000), kLzErrorRead) << "an error stays";
    }
    {
        MemorySource source(packed, 1000, packed.size() / 2);
        Expander e;
        ASSERT_EQ(e.init(source), 0);
        VectorSink sink;
        EXPECT_EQ(e.copy(sink), kLzErrorRead);
    }
    {
        Bytes plain(20000, 'p');
        MemorySource source(plain, 1000, 9000);
        Expander e;
        ASSERT_EQ(e.init(source), 0);
        VectorSink sink;
        EXPECT_EQ(e.copy(sink), kLzErrorRead);
    }
    for (const Bytes* file : {&packed, &data}) {
        MemorySource source(*file);
        Expander e;
        ASSERT_EQ(e.init(source), 0);
        VectorSink sink(10000);
        EXPECT_EQ(e.copy(sink), kLzErrorWrite);
    }
}

TEST(SzddExpander, ReadsAfterTheEndAndCopyAfterReadGiveTheRest) {
    Bytes data(9000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * i >> 7);
    Bytes packed = Packed(data);
    MemorySource source(packed);
    Expander e;
    char none[4];
    EXPECT_EQ(e.read(none, 4), kLzErrorBadInHandle) << "read before init";
    ASSERT_EQ(e.init(source), 0);
    Bytes head(1234);
    ASSERT_EQ(e.read(head.data(), 1234), 1234);
    VectorSink sink;
    EXPECT_EQ(e.copy(sink), static_cast<std::int32_t>(data.size() - 1234));
    head.insert(head.end(), sink.bytes.begin(), sink.bytes.end());
    EXPECT_EQ(head, data);
    EXPECT_EQ(e.read(none, 4), 0);
    EXPECT_EQ(e.read(none, 4), 0);
    EXPECT_EQ(e.read(none, 0), 0);
}

TEST(SzddExpander, ManyExpandersInterleaveIndependently) {
    std::vector<CorpusFile> corpus = MakeCorpus();
    std::vector<Bytes> packed;
    std::vector<Bytes> expected;
    for (const CorpusFile& f : corpus) {
        if (f.data.size() < 3000 || f.data.size() > 200000) continue;
        expected.push_back(f.data);
        packed.push_back(f.name == "random" ? f.data : Packed(f.data));  // one passes through
    }
    ASSERT_GE(expected.size(), 16u);
    std::vector<std::unique_ptr<MemorySource>> sources;
    std::vector<std::unique_ptr<Expander>> expanders;
    for (const Bytes& file : packed) {
        sources.push_back(std::make_unique<MemorySource>(file, 777));
        expanders.push_back(std::make_unique<Expander>());
        ASSERT_EQ(expanders.back()->init(*sources.back()), 0);
    }
    std::vector<Bytes> got(expanders.size());
    for (bool any = true; any;) {
        any = false;
        for (std::size_t k = 0; k < expanders.size(); ++k) {
            std::uint8_t buf[1000];
            std::int32_t r = expanders[k]->read(buf, 100 + static_cast<std::uint32_t>(k) * 37);
            ASSERT_GE(r, 0);
            got[k].insert(got[k].end(), buf, buf + r);
            any = any || r > 0;
        }
    }
    for (std::size_t k = 0; k < got.size(); ++k) EXPECT_EQ(got[k], expected[k]) << k;
}

}  // namespace
}  // namespace zep::szdd::test
