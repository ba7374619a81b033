#pragma once
// Shared body of the per-parser fuzz targets. Property checked: one parser,
// run over arbitrary bytes as a recognition pass runs it (accept, or drop one
// unknown byte), never crashes or reads out of bounds, every accepted message
// takes at least one byte and carries the parser's format name, and the pass
// ends having consumed exactly the input (no byte lost or invented). As in
// the analysis pass, a start the parser's own start test refuses is not
// attempted (the attempt would refuse it at once).
#include <bitset>
#include <cstdint>
#include <cstdlib>

#include "decode/engine/C_Ex_DataCash.h"
#include "decode/engine/C_MsgSetting.h"
#include "decode/interfaces/IParserData.h"

namespace fuzzing {

inline void require(bool ok) {
  if (!ok) std::abort();
}

template <class Parser>
int runParser(const std::uint8_t* data, std::size_t size, bool acceptUnknown) {
  using namespace engine;
  Ref<IParserData> parser(new TUnknown<Parser>());
  parser->setAcceptUnknown(acceptUnknown);
  Ref<C_Ex_DataCash> buf(new TUnknown<C_Ex_DataCash>());
  buf->setNoWait(true);
  // Two writes, so messages straddle a write boundary.
  const std::size_t half = size / 2;
  buf->write(data, half);
  buf->write(data + half, size - half);
  Ref<C_MsgSetting> status(new TUnknown<C_MsgSetting>());
  auto* typed = static_cast<Parser*>(parser.get());
  const auto plausible = typed->plausibleTest();
  const std::bitset<256> start = typed->startSet(), lead = typed->leadSet();
  std::size_t consumed = 0;
  while (buf->hasData()) {
    const std::uint8_t* look = nullptr;
    const std::size_t seen = buf->peekSpan(1, 8, &look);
    if (seen > 0 && !(start[look[0]] && (!plausible || lead[look[0]] || plausible(look, seen)))) {
      std::uint8_t b = 0;
      require(buf->takeUnknownByte(b, nullptr, true));
      require(b == data[consumed]);
      ++consumed;
      continue;
    }
    status->reset();
    parser->lock();
    const bool ok = parser->parse(buf.get(), status.get());
    parser->unlock();
    parser->resetState();
    if (ok) {
      const std::size_t taken = buf->takenCount();
      require(taken > 0 && consumed + taken <= size);
      require(status->format() == parser->name());
      buf->commit(nullptr);
      consumed += taken;
    } else {
      buf->rewind();
      std::uint8_t b = 0;
      require(buf->takeUnknownByte(b, nullptr, true));
      require(b == data[consumed]);
      ++consumed;
    }
  }
  require(consumed == size);
  return 0;
}

}  // namespace fuzzing
