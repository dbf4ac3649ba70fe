// Reading stored contents in chunks, unpacking them, and the progress texts.
#include "tests/support/Doubles.h"
#include "update/ContentTransfer.h"
#include "update/Progress.h"

#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>
#include <zlib.h>

using namespace zem;
using namespace zem::test;

namespace {

struct Call {
    std::int32_t soFar, total;
};

struct Transfer {
    FakeDatabase db;
    FakeSession session{db};
    std::vector<Call> calls;
    int abortAtCall = 0; // 1-based; 0: never
    Transfer() { session.connected = true; }

    ProgressCallback Callback() {
        return
            [this](const std::wstring& table, std::int32_t soFar, std::int32_t total, bool& abort) {
                EXPECT_EQ(table, L"ZEMFILES");
                calls.push_back({soFar, total});
                abort = static_cast<int>(calls.size()) == abortAtCall;
            };
    }
    bool Raw(TMemoryStream& out) {
        return ReadBlobToStream(session, out, L"ZEMFILES", L"CFFILE", L"where cfid = 1",
                                Callback());
    }
    bool Unpacked(TMemoryStream& out) {
        return ReadCompressedBlob(session, out, L"ZEMFILES", L"CFFILE", L"where cfid = 1",
                                  Callback());
    }
    void Store(const Bytes& compressed) {
        db.entries.push_back(FakeDatabase::Entry{1, L"f", 0, 0, 0, compressed});
    }
};

} // namespace

TEST(ContentTransfer, OneCallPerChunkPlusOneAfterTheEmptyRead) {
    struct Case {
        std::size_t size;
        std::vector<std::int32_t> soFar;
    } cases[] = {
        {1, {1, 1}},
        {65536, {65536, 65536}}, // a full first read is followed by an empty one
        {65537, {65536, 65537, 65537}},
        {200000, {65536, 131072, 196608, 200000, 200000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        Transfer t;
        Bytes raw = RandomBytes(c.size);
        t.Store(raw);
        TMemoryStream out;
        EXPECT_TRUE(t.Raw(out));
        EXPECT_EQ(out.Bytes(), raw);
        ASSERT_EQ(t.calls.size(), c.soFar.size());
        for (std::size_t i = 0; i < c.soFar.size(); ++i) {
            EXPECT_EQ(t.calls[i].soFar, c.soFar[i]);
            EXPECT_EQ(t.calls[i].total, static_cast<std::int32_t>(c.size));
        }
    }
    Transfer t;
    t.Store({});
    TMemoryStream out;
    EXPECT_TRUE(t.Raw(out));
    EXPECT_TRUE(t.calls.empty()); // size 0: no call
    EXPECT_EQ(t.db.executed.back(), L"select CFFILE from ZEMFILES where cfid = 1");
}

TEST(ContentTransfer, AbortRefusesAndLeavesTheOutputUntouched) {
    Bytes plain = RandomBytes(300000);
    Bytes packed = Compress(plain);
    std::size_t chunks = (packed.size() + 65535) / 65536 + 1;
    for (int at : {1, 2, static_cast<int>(chunks)}) { // first, a middle and the very last call
        SCOPED_TRACE(at);
        Transfer t;
        t.Store(packed);
        t.abortAtCall = at;
        TMemoryStream out;
        EXPECT_FALSE(t.Unpacked(out));
        EXPECT_EQ(t.calls.size(), std::size_t(at));
        EXPECT_TRUE(out.Bytes().empty());
    }
}

TEST(ContentTransfer, RangeErrors) {
    {
        Transfer t;
        t.Store(Compress(ToBytes("x")));
        t.db.declaredSize[1] = std::int64_t(1) << 32;
        TMemoryStream out;
        EXPECT_THROW(t.Raw(out), ERangeError);
        EXPECT_TRUE(out.Bytes().empty()); // raised before the first read
    }
    {
        // As on the 32-bit build, where a vector holds at most 2^31 - 1 bytes: the size is
        // refused at the first progress call, after the first chunk, not while reserving.
        struct ThirtyTwoBitStream : TMemoryStream {
            void ExpectSize(std::size_t n) override {
                if (n > 0x7FFFFFFF)
                    throw std::length_error("vector::reserve");
                TMemoryStream::ExpectSize(n);
            }
        };
        Transfer t;
        Bytes content = Compress(ToBytes("x"));
        t.Store(content);
        t.db.declaredSize[1] = (std::int64_t(1) << 31) + 5;
        ThirtyTwoBitStream out;
        EXPECT_THROW(t.Raw(out), ERangeError);
        EXPECT_TRUE(t.calls.empty());
        EXPECT_EQ(out.Bytes(), content);
    }
    {
        TMemoryStream out; // a size hint it cannot take is ignored
        EXPECT_NO_THROW(out.ExpectSize(std::numeric_limits<std::size_t>::max()));
    }
}

TEST(ContentTransfer, DatabaseErrorsReachTheCaller) {
    Transfer t;
    t.Store(RandomBytes(200000));
    t.db.failAfterChunks[1] = 2;
    TMemoryStream out;
    EXPECT_THROW(t.Unpacked(out), EOracleError);
    EXPECT_EQ(t.calls.size(), 2u);
    EXPECT_TRUE(out.Bytes().empty());
}

TEST(InflateStream, UnpacksAnyWindowSize) {
    Bytes plain = ToBytes(std::string(100000, 'a') + "tail");
    for (int bits : {9, 12, 15}) {
        SCOPED_TRACE(bits);
        TMemoryStream in, out;
        Bytes packed = Compress(plain, bits);
        in.Write(packed.data(), packed.size());
        InflateStream(in, out);
        EXPECT_EQ(out.Bytes(), plain);
    }
}

TEST(InflateStream, BadContentEndsInADecompressionError) {
    Bytes plain = RandomBytes(100000);
    Bytes good = Compress(plain);
    Bytes truncated(good.begin(), good.end() - 10);
    Bytes trailing = good;
    trailing.push_back(0x42);
    Bytes flipped = good;
    flipped[good.size() / 2] ^= 0x10;
    Bytes badChecksum = good;
    badChecksum.back() ^= 1;
    // A stream that asks for a preset dictionary.
    Bytes withDictionary;
    {
        z_stream s{};
        deflateInit(&s, 9);
        const Bytef dict[] = "dictionary";
        deflateSetDictionary(&s, dict, sizeof dict);
        withDictionary.resize(256);
        Bytes in = ToBytes("dictionary text");
        s.next_in = in.data();
        s.avail_in = static_cast<uInt>(in.size());
        s.next_out = withDictionary.data();
        s.avail_out = 256;
        deflate(&s, Z_FINISH);
        withDictionary.resize(s.total_out);
        deflateEnd(&s);
    }
    struct Case {
        const char* name;
        Bytes content;
        std::wstring message;
    } cases[] = {
        {"empty", {}, L"data error"},
        {"cut short", truncated, L"data error"},
        {"trailing bytes", trailing, L"data error"},
        {"bit flipped", flipped, L"data error"},
        {"bad checksum", badChecksum, L"data error"},
        {"preset dictionary", withDictionary, L"need dictionary"},
        {"not zlib at all", ToBytes("PK\x03\x04 this is a zip"), L"data error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryStream in, out;
        in.Write(c.content.data(), c.content.size());
        try {
            InflateStream(in, out);
            ADD_FAILURE() << "no error";
        } catch (const EDecompressionError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
}

TEST(InflateStream, TrailingBytesInALaterBlockAreAnError) {
    Bytes good = Compress(ToBytes("short"));
    Bytes content = good;
    content.resize(good.size() + 40000, 0); // the junk fills the next 32 KB input block
    TMemoryStream in, out;
    in.Write(content.data(), content.size());
    EXPECT_THROW(InflateStream(in, out), EDecompressionError);
}

TEST(Progress, Texts) {
    EXPECT_EQ(ProgressPercent(999, 1000), 99);
    EXPECT_EQ(ProgressPercent(1000, 1000), 100);
    EXPECT_EQ(ProgressPercent(0, 1000), 0);
    const TDateTime start = 46000.5, oneSecond = 1.0 / 86400;
    EXPECT_EQ(TransferRate(5000, start, start), 1000);             // no time passed
    EXPECT_EQ(TransferRate(5000, start, start - oneSecond), 1000); // clock went back
    EXPECT_NEAR(TransferRate(5000, start, start + 2 * oneSecond), 2500, 0.01);
    EXPECT_EQ(FormatRate(1000, L','), L"1,0 kB");
    EXPECT_EQ(FormatRate(1536000, L'.'), L"1500.0 kB");
    EXPECT_EQ(FormatRemaining(100, 100, 1000, L':'), L"00:00:00");
    EXPECT_EQ(FormatRemaining(0, 1000 * 3600 * 25, 1000, L':'), L"01:00:00"); // days dropped
    EXPECT_EQ(FormatRemaining(0, 3723999, 1000, L'.'), L"01.02.03");          // fraction cut
    EXPECT_EQ(FormatRemaining(0, 100, 0, L':'), L"--:--:--");
}
