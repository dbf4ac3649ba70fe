#include "update/ContentTransfer.h"

#include "util/Errors.h"
#include "util/PathText.h"

#include <vector>
#include <zlib.h>

namespace zem {

bool ReadBlobToStream(TOracleSession& session, IOutputStream& out, const std::wstring& tableName,
                      const std::wstring& columnName, const std::wstring& condition,
                      const ProgressCallback& progress) {
    auto query = session.NewQuery();
    query->SQL = L"select " + columnName + L" from " + tableName + L" " + condition;
    query->Execute();
    TLOBLocator& lob = query->LOBField(columnName);
    std::int64_t count = 0;
    const std::int64_t size = lob.Size();
    if (size < 0 || size >= (std::int64_t(1) << 32))
        throw ERangeError();
    // Sizes from 2^31 on are refused at the first progress call, after the first chunk;
    // reserving them first would fail earlier on a 32-bit build.
    if (size < (std::int64_t(1) << 31))
        out.ExpectSize(static_cast<std::size_t>(size));
    std::vector<std::uint8_t> buffer(BlobChunkSize);
    bool abort = false;
    std::size_t n = 0;
    do {
        n = lob.Read(buffer.data(), BlobChunkSize);
        out.Write(buffer.data(), n);
        count += static_cast<std::int64_t>(n);
        if (progress && size != 0) {
            if (size >= (std::int64_t(1) << 31) || count >= (std::int64_t(1) << 31))
                throw ERangeError();
            progress(tableName, static_cast<std::int32_t>(count), static_cast<std::int32_t>(size),
                     abort);
        }
    } while (n != 0 && !abort);
    return !abort;
}

bool ReadCompressedBlob(TOracleSession& session, IOutputStream& out, const std::wstring& tableName,
                        const std::wstring& columnName, const std::wstring& condition,
                        const ProgressCallback& progress) {
    TMemoryStream content;
    bool ok = ReadBlobToStream(session, content, tableName, columnName, condition, progress);
    if (ok) {
        content.SetPosition(0);
        InflateStream(content, out);
    }
    return ok;
}

namespace {

[[noreturn]] void ThrowZlib(int rc) {
    throw EDecompressionError(FromUtf8(zError(rc)));
}

// Releases the inflate state on every path; an error from the release on the normal path
// is raised by End().
class InflateState {
public:
    InflateState() {
        int rc = inflateInit2(&strm, 15);
        if (rc != Z_OK)
            ThrowZlib(rc);
    }
    ~InflateState() {
        if (open)
            inflateEnd(&strm);
    }
    void End() {
        open = false;
        int rc = inflateEnd(&strm);
        if (rc != Z_OK)
            ThrowZlib(rc);
    }
    z_stream strm{};

private:
    bool open = true;
};

// One inflate call into an empty output block; returns zlib's result after writing what
// it produced.
int InflateBlock(z_stream& strm, int flush, std::uint8_t* block, IOutputStream& out,
                 std::size_t& produced) {
    strm.next_out = block;
    strm.avail_out = InflateBlockSize;
    int rc = inflate(&strm, flush);
    if (rc == Z_NEED_DICT || (rc < 0 && rc != Z_BUF_ERROR))
        ThrowZlib(rc);
    produced = InflateBlockSize - strm.avail_out;
    out.Write(block, produced);
    return rc;
}

} // namespace

void InflateStream(IInputStream& source, IOutputStream& out) {
    InflateState state;
    z_stream& strm = state.strm;
    std::vector<std::uint8_t> input(InflateBlockSize), output(InflateBlockSize);
    bool ended = false;
    std::size_t produced = 0;
    std::size_t n;
    while ((n = source.Read(input.data(), InflateBlockSize)) > 0) {
        if (ended)
            ThrowZlib(Z_DATA_ERROR); // bytes after the end of the stream
        strm.next_in = input.data();
        strm.avail_in = static_cast<uInt>(n);
        do {
            if (InflateBlock(strm, Z_NO_FLUSH, output.data(), out, produced) == Z_STREAM_END) {
                ended = true;
                if (strm.avail_in > 0)
                    ThrowZlib(Z_DATA_ERROR);
                break;
            }
        } while (strm.avail_in > 0 || strm.avail_out == 0);
    }
    while (!ended) {
        int rc = InflateBlock(strm, Z_FINISH, output.data(), out, produced);
        if (rc == Z_STREAM_END)
            ended = true;
        else if (rc == Z_BUF_ERROR && produced == 0)
            ThrowZlib(Z_DATA_ERROR); // the stream is cut short
    }
    state.End();
}

} // namespace zem
