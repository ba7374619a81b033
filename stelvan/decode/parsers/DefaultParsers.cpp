#include "DefaultParsers.h"

#include "C_ParserCMR.h"
#include "C_ParserNMEA.h"
#include "C_ParserRTCM.h"
#include "C_ParserRTCM_3.h"
#include "C_ParserZRX.h"

namespace engine {

void registerDefaultParsers(I_Analyser* analyser) {
  if (!analyser) return;
  const Ref<IParserData> parsers[] = {new TUnknown<C_ParserZRX>(), new TUnknown<C_ParserNMEA>(),
                                      new TUnknown<C_ParserRTCM>(), new TUnknown<C_ParserRTCM_3>(),
                                      new TUnknown<C_ParserCMR>()};
  for (const auto& p : parsers) analyser->addParser(p.get());
}

}  // namespace engine
