// Property: a caster's answer of any bytes, cut into pieces at the points the
// first byte picks, is read by the header parser the same way as in one piece
// (same state, status, stream/table verdict, bytes taken), never takes more
// bytes than it is given, and the rest runs through the chunked decoder and
// the source table parser without a fault (ASan sees any over-read).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ChunkedDecoder.h"
#include "ResponseHeader.h"
#include "SourceTable.h"

namespace {

struct Reading {
  Ntrip::ResponseHeader header;
  std::size_t taken = 0;
};

Reading read(const char* data, std::size_t size, std::size_t piece) {
  Reading r;
  for (std::size_t at = 0; at < size && r.header.state() == Ntrip::ResponseHeader::State::NeedMore;
       at += piece) {
    const std::size_t n = piece < size - at ? piece : size - at;
    const std::size_t used = r.header.Feed(data + at, n);
    if (used > n) std::abort();
    r.taken += used;
  }
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + bytes[0] % 16;
  const char* data = reinterpret_cast<const char*>(bytes + 1);
  const std::size_t n = size - 1;
  const Reading whole = read(data, n, n ? n : 1), cut = read(data, n, piece);
  const auto& a = whole.header;
  const auto& b = cut.header;
  if (a.state() != b.state() || a.status() != b.status() || a.isStream() != b.isStream() ||
      a.isSourceTable() != b.isSourceTable() || whole.taken != cut.taken || whole.taken > n)
    std::abort();
  const std::string rest(data + whole.taken, n - whole.taken);
  Ntrip::ChunkedDecoder chunks;
  std::string out;
  chunks.Feed(rest.data(), rest.size(), out);
  if (out.size() > rest.size()) std::abort();
  const Ntrip::SourceTable table = Ntrip::SourceTable::Parse(rest);
  (void)table.MountList();
  (void)Ntrip::SortedByDistance(table.streams, 47.0, 8.0);
  return 0;
}
