// Stand-in until the parsers are built into the engine: registers nothing.
#include "../parsers/DefaultParsers.h"

namespace engine {

void registerDefaultParsers(I_Analyser*) {}

}  // namespace engine
