#include "linkpanel/Linkpanel.h"

namespace Kestrel {
const char* LinkpanelVersion() { return "0.1.0"; }
}  // namespace Kestrel
