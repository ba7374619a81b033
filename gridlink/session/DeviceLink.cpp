#include "session/DeviceLink.h"

#include <mutex>

namespace LocalSrv {
namespace {

std::mutex g_FactoryLock;
DeviceLink::Factory g_Factory;

std::unique_ptr<DeviceLink> createRealLink(LocalServer& owner, const std::string& rcv, int& kind);

}  // namespace

int LinkKindOf(const std::string& s) {
  const std::string p = s.substr(0, 3);
  if (p == "COM") return kLinkCom;
  if (p == "TCP") return kLinkTcp;
  if (p == "USB") return kLinkUsb;
  if (p == "GSM") return kLinkGsm;
  if (p == "WIF") return kLinkWifi;
  return -1;
}

DeviceLink::Factory DeviceLink::SetFactory(Factory f) {
  std::lock_guard lock(g_FactoryLock);
  Factory old = std::move(g_Factory);
  g_Factory = std::move(f);
  return old;
}

std::unique_ptr<DeviceLink> DeviceLink::Create(LocalServer& owner, const std::string& rcv, int& kind) {
  Factory f;
  {
    std::lock_guard lock(g_FactoryLock);
    f = g_Factory;
  }
  kind = LinkKindOf(rcv);
  if (kind < 0) return nullptr;
  return f ? f(owner, rcv, kind) : createRealLink(owner, rcv, kind);
}

namespace {
std::unique_ptr<DeviceLink> createRealLink(LocalServer&, const std::string&, int&) {
  return nullptr;  // filled in by the receiver links
}
}  // namespace

}  // namespace LocalSrv
