// Whole analysis over arbitrary bytes: the five parsers, accept-unknown on,
// nested analysers allowed, the input written in two parts (split where the
// first byte says) with a marker on the second, then flushed.
// Checks: no crash or undefined behaviour; every byte is accounted for at
// most once (bytes in messages <= bytes written, each message no longer than
// the input); nothing is left queued at the top after the flush (no growth).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "decode/engine/C_DataAnalyser.h"
#include "decode/engine/C_Ex_StorageMsgMem.h"
#include "decode/engine/TuningValues.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace engine;
  tuning::readWaitMs = 1;  // the input is all there; don't linger at a cut
  tuning::readRetries = 0;
  Ref<C_Ex_StorageMsgMem> storage(new TUnknown<C_Ex_StorageMsgMem>());
  Ref<C_DataAnalyser> da(new TUnknown<C_DataAnalyser>());
  if (!da->init(storage.get(), nullptr)) std::abort();
  IParserManager* pm = da->getParserManager();
  for (std::size_t i = 0; i < pm->parserCount(); ++i) pm->setAcceptUnknown(i, true);
  const std::size_t cut = size ? (data[0] * size) / 256 : 0;
  da->write(data, cut);
  da->writeMarked(data + cut, size - cut, 1, 2);
  da->flush();
  if (!da->waitProcessed()) std::abort();
  if (da->bytesConsumed() > da->bytesWritten()) std::abort();
  if (da->topAnalyser()->cash()->pending() != 0) std::abort();
  std::uint64_t inMessages = 0;
  for (std::size_t i = 0; i < storage->messageCount(); ++i) {
    Ref<IMessageGNSS> m = storage->messageAt(i);
    if (m->rawLength() > size) std::abort();
    inMessages += m->rawLength();
  }
  if (inMessages > size) std::abort();
  da->stop();
  return 0;
}
