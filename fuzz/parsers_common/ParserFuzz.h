#pragma once
// Shared body of the per-parser fuzz targets. Property checked: one parser,
// run over arbitrary bytes as a recognition pass runs it (accept, or drop one
// unknown byte), never crashes or reads out of bounds, every accepted message
// takes at least one byte and carries the parser's format name, and the pass
// ends having consumed exactly the input (no byte lost or invented). As in
// the analysis pass, a start the parser's own start test refuses is not
// attempted (the attempt would refuse it at once), and the bytes up to the
// next start it may pass go at once, found through the pass's tables.
#include <algorithm>
#include <bitset>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "decode/engine/C_Ex_DataCash.h"
#include "decode/engine/C_MsgSetting.h"
#include "decode/engine/C_ParserPool.h"
#include "decode/engine/UnknownScan.h"
#include "decode/interfaces/IParserData.h"
#include "decode/parser/NoCoverage.h"

namespace fuzzing {

inline void require(bool ok) {
  if (!ok) std::abort();
}

// The pass's tables for one parser, built once per process (they depend
// only on the parser's start tests, which the fuzz input cannot change).
template <class Parser>
engine::UnknownScan& scanFor(const engine::C_ParserPool::Candidate& c) {
  static engine::UnknownScan scan;
  static const bool ready = scan.update({c});
  require(ready);
  scan.forget();  // each input is a stream of its own
  return scan;
}

// The harness's own loop is plumbing: no coverage tracing of it (it would
// guide the fuzzer to nothing of the parser's and cost it half its time).
template <class Parser>
STELVAN_NO_COVERAGE int runParser(const std::uint8_t* data, std::size_t size, bool acceptUnknown) {
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
  C_ParserPool::Candidate c;
  c.parser = parser.get();
  c.base = typed;
  c.start = typed->startSet();
  c.lead = typed->leadSet();
  c.plausible = typed->plausibleTest();
  c.secondThird = typed->secondThirdTest();
  c.fourthFifth = typed->fourthFifthTest();
  c.scan = typed->startScan();
  UnknownScan& scan = scanFor<Parser>(c);
  static std::vector<std::uint8_t> unknown;  // kept: a fresh one per input costs the heap more than the run
  static const std::bitset<256> kNoStop;
  std::size_t consumed = 0;
  // A run ended where the start test, with as many bytes in view, passed.
  bool passed = false;
  while (buf->hasData()) {
    const std::uint8_t* look = nullptr;
    const std::size_t seen = buf->peekSpan(1, CParserData::kStartLook, &look);
    if (seen > 0 && !passed && !c.mayStartAt(look, seen)) {
      // The run of bytes the start test refuses, found as the pass finds it.
      const std::uint8_t* p = nullptr;
      const std::size_t avail = buf->peekSpan(1, 4096, &p);
      const std::size_t fast = avail > UnknownScan::kLookAhead ? avail - UnknownScan::kLookAhead : 0;
      std::size_t run = 1;
      for (; run < avail; ++run) {
        unsigned which = ~0u;
        if (run < fast) run = scan.next(p, run, fast, avail, consumed, which);
        if (which && c.mayStartAt(p + run, std::min(CParserData::kStartLook, avail - run))) break;
      }
      Marker mk;
      unknown.clear();
      require(buf->takeUnknownRun(kNoStop, unknown, mk, run) == run);
      require(std::equal(unknown.begin(), unknown.end(), data + consumed));
      consumed += run;
      passed = run < avail && avail - run >= CParserData::kStartLook;
      continue;
    }
    passed = false;
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
