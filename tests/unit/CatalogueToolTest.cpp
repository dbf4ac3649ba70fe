// The catalogue tool's pure parts: the date switch and compression in pieces.
#include "tests/support/Doubles.h"
#include "tools/Catalogue.h"
#include "tools/support/Compression.h"
#include "update/ContentTransfer.h"
#include "util/PathText.h"

#include <gtest/gtest.h>

using namespace zem;
using namespace zem::test;

TEST(CatalogueTool, DateSwitch) {
    struct Case {
        const wchar_t* text;
        bool valid;
        const wchar_t* formatted;
    } cases[] = {
        {L"2026-06-01 12:00:00", true, L"2026-06-01 12:00:00.000"},
        {L"2026-06-01 12:00:00.250", true, L"2026-06-01 12:00:00.250"},
        {L"2024-02-29 23:59:59.999", true, L"2024-02-29 23:59:59.999"},
        {L"2026-02-29 00:00:00", false, nullptr}, // no leap year
        {L"2026-04-31 00:00:00", false, nullptr},
        {L"2026-06-01 24:00:00", false, nullptr},
        {L"2026-06-01 12:00:00.25", false, nullptr}, // milliseconds take three digits
        {L"2026-06-01 12:00:00 ", false, nullptr},
        {L"2026-06-01", false, nullptr},
        {L"", false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.text));
        auto date = catalogue::ParseDate(c.text);
        ASSERT_EQ(date.has_value(), c.valid);
        if (c.valid) {
            EXPECT_EQ(catalogue::FormatDate(*date), c.formatted);
        }
    }
}

// Whatever pieces the file arrives in, the stream unpacks to its bytes with the start
// program's own unpacking, and the pieces handed on stay within one output block.
TEST(CatalogueTool, CompressionInPieces) {
    const Bytes plain = RandomBytes(300000, 5);
    for (std::size_t piece : {std::size_t(7), std::size_t(4097), std::size_t(65536), plain.size()})
        for (int bits : {9, 15}) {
            SCOPED_TRACE(std::to_string(piece) + " bytes per piece, window bits " +
                         std::to_string(bits));
            TMemoryStream packed;
            std::size_t largest = 0;
            support::Deflater deflater(
                [&](const std::uint8_t* p, std::size_t n) {
                    largest = std::max(largest, n);
                    packed.Write(p, n);
                },
                bits);
            for (std::size_t at = 0; at < plain.size(); at += piece)
                deflater.Write(plain.data() + at, std::min(piece, plain.size() - at));
            deflater.Finish();
            EXPECT_LE(largest, support::Deflater::OutputBlock);
            TMemoryStream out;
            InflateStream(packed, out);
            EXPECT_TRUE(out.Bytes() == plain);
        }
}
