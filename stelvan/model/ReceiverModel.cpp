#include "ReceiverModel.h"

#include "RcvCmdScriptParser.h"
#include "RcvParamReader.h"
#include "ReceiverModelImpl.h"
#include "gridlink/platform/SerialPortList.h"

namespace Tellus {

ReceiverModel* ReceiverModel::create() {
  return new ReceiverModel();
}

ReceiverModel::ReceiverModel()
    : m_impl(std::make_unique<ReceiverModelImpl>()),
      m_params(std::make_unique<RcvParamReader>(*m_impl)),
      m_scripts(std::make_unique<RcvCmdScriptParser>(*m_impl)) {}

// Reverse order: the users of the works go first.
ReceiverModel::~ReceiverModel() {
  m_scripts.reset();
  m_params.reset();
  m_impl->disconnect();
  m_impl.reset();
}

bool ReceiverModel::listPorts(int kind, std::vector<PortInfo>& out) {
  if (kind == 2) {
    for (const auto& p : Platform::ListSerialPorts()) out.push_back({2, p.devicePath, p.description, p.devicePath});
    return true;
  }
  if (kind == 1 || kind == 4) {
    for (const auto& d : CMNC::libusbBackend().list()) out.push_back({kind, d.name, d.description, d.name});
    return true;
  }
  return kind == 3;  // TCP ports are typed in, not found
}

bool ReceiverModel::connect(const std::string& c, IConnectionListener* l) {
  return m_impl->connect(c, l);
}
void ReceiverModel::cancelConnect() {
  m_impl->cancelConnect();
}
void ReceiverModel::disconnect() {
  m_impl->disconnect();
}
bool ReceiverModel::isConnected() {
  return m_impl->state() == 2;
}
int ReceiverModel::state() {
  return m_impl->state();
}
int ReceiverModel::portKind() {
  return m_impl->portKind();
}
bool ReceiverModel::writeRaw(const std::string& b) {
  return m_impl->writeRaw(b);
}
bool ReceiverModel::sendCommand(const std::string& t) {
  return m_impl->sendCommand(t);
}
int ReceiverModel::execute(const std::string& t, std::string& r, int ms) {
  return m_impl->execute(t, r, ms);
}
int ReceiverModel::printParameter(const std::string& name, std::string& r, int ms) {
  return m_impl->execute("print," + name, r, ms);
}
int ReceiverModel::setParameter(const std::string& name, const std::string& value, int ms) {
  std::string discarded;
  return m_impl->execute("set," + name + "," + value, discarded, ms);
}
void ReceiverModel::readParameter(const std::string& name, IParameterListener* l, int periodMs) {
  m_params->subscribe(name, l, periodMs);
}
bool ReceiverModel::hasParameter(const std::string& name) {
  return m_params->hasParameter(name);
}
void ReceiverModel::unreadParameter(const std::string& name, IParameterListener* l) {
  m_params->unsubscribe(name, l);
}
void ReceiverModel::unreadAll(IParameterListener* l) {
  m_params->unsubscribeAll(l);
}
void ReceiverModel::addStreamListener(IStreamListener* l) {
  m_impl->addStreamListener(l);
}
void ReceiverModel::removeStreamListener(IStreamListener* l) {
  m_impl->removeStreamListener(l);
}
void ReceiverModel::addMessageListener(IGnssMessageListener* l, const std::string& f, const std::string& id) {
  m_impl->addMessageListener(l, f, id);
}
void ReceiverModel::removeMessageListener(IGnssMessageListener* l) {
  m_impl->removeMessageListener(l);
}
void ReceiverModel::addEpochListener(IEpochListener* l) {
  m_impl->addEpochListener(l);
}
void ReceiverModel::removeEpochListener(IEpochListener* l) {
  m_impl->removeEpochListener(l);
}
IEpochManager* ReceiverModel::epochManager() {
  return &m_impl->composer();
}
RcvCmdScriptParser* ReceiverModel::scriptParser() {
  return m_scripts.get();
}
bool ReceiverModel::reconnect(IConnectionListener* l) {
  return m_impl->reconnect(l);
}
std::string ReceiverModel::lastError() {
  return m_impl->lastError();
}

bool ReceiverModel::lineLost() { return m_impl->state() == 2 && m_impl->lineLost(); }
void ReceiverModel::setUsbBackend(CMNC::IUsbBackend* b) {
  m_impl->setUsbBackend(b);
}
std::uint32_t ReceiverModel::parameterInterval() {
  return m_params->interval();
}

}  // namespace Tellus
