#pragma once
// Linkpanel: the server list and the connection dialogs.
namespace Kestrel {
__attribute__((visibility("default"))) const char* LinkpanelVersion();
}  // namespace Kestrel
