#include "session/DeviceLink.h"

#include <mutex>

#include "links/ReceiverLinkFactory.h"
#include "session/LocalServer.h"

namespace LocalSrv {
namespace {

std::mutex g_FactoryLock;
DeviceLink::Factory g_Factory;

// A receiver link of links/ seen as a DeviceLink.
class ReceiverLink : public DeviceLink {
 public:
  explicit ReceiverLink(std::unique_ptr<CReceiverConnection> link) : m_Link(std::move(link)) {}
  bool SendCommand(const std::string& cmd, std::string& reply, unsigned timeoutMs) override {
    return m_Link->SendCommand(cmd, reply, timeoutMs);
  }
  int RunScript(const std::string& script, std::string& reply) override {
    return m_Link->RunScript(script, reply);
  }
  std::string StatusText() const override { return m_Link->StatusText(); }
  void SetLinkKind(int kind) override { m_Link->SetLinkKind(kind); }
  bool WaitQuiet(unsigned quietMs, unsigned maxMs) override { return m_Link->WaitQuiet(quietMs, maxMs); }
  CReceiverConnection* Raw() override { return m_Link.get(); }

 private:
  std::unique_ptr<CReceiverConnection> m_Link;
};

std::unique_ptr<DeviceLink> createRealLink(LocalServer& owner, const std::string& rcv, int& kind,
                                           std::string& error) {
  std::unique_ptr<CReceiverConnection> link = CreateReceiverLink(owner, rcv, error, kind);
  if (!link) return nullptr;
  return std::make_unique<ReceiverLink>(std::move(link));
}

}  // namespace

DeviceLink::Factory DeviceLink::SetFactory(Factory f) {
  std::lock_guard lock(g_FactoryLock);
  Factory old = std::move(g_Factory);
  g_Factory = std::move(f);
  return old;
}

std::unique_ptr<DeviceLink> DeviceLink::Create(LocalServer& owner, const std::string& rcv, int& kind,
                                               std::string& error) {
  Factory f;
  {
    std::lock_guard lock(g_FactoryLock);
    f = g_Factory;
  }
  kind = LinkKindOf(rcv);
  if (kind < 0) {
    error = "ER:Can't find receiver.";
    return nullptr;
  }
  return f ? f(owner, rcv, kind, error) : createRealLink(owner, rcv, kind, error);
}

}  // namespace LocalSrv
