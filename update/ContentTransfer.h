#pragma once
// Fetching one stored file: its compressed content is read from the database in chunks,
// collected in memory, and unpacked from its zlib stream into the output.
#include "db/OracleSession.h"
#include "util/Stream.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zem {

// Called after every chunk read: table name, compressed bytes so far, total size (never 0),
// and the abort flag, which the callback sets to refuse the transfer.
using ProgressCallback = std::function<void(const std::wstring& tableName, std::int32_t bytesSoFar,
                                            std::int32_t totalSize, bool& abort)>;

constexpr std::size_t BlobChunkSize = 65536;
constexpr std::size_t InflateBlockSize = 32768;

// Copies the raw content of the large-object column of the row that the condition selects.
// True when read to the end, false when the callback refused. Throws on database errors and
// ERangeError for sizes the callback cannot take.
bool ReadBlobToStream(TOracleSession& session, IOutputStream& out, const std::wstring& tableName,
                      const std::wstring& columnName, const std::wstring& condition,
                      const ProgressCallback& progress);

// As ReadBlobToStream, then unpacks the content into the output. On false nothing has been
// written to the output.
bool ReadCompressedBlob(TOracleSession& session, IOutputStream& out, const std::wstring& tableName,
                        const std::wstring& columnName, const std::wstring& condition,
                        const ProgressCallback& progress);

// Unpacks exactly one complete zlib stream. Anything else (empty, cut short, bytes after the
// end, a preset dictionary) raises EDecompressionError; it never loops forever.
void InflateStream(IInputStream& source, IOutputStream& out);

} // namespace zem
