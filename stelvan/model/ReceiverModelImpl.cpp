#include "ReceiverModelImpl.h"

#include <chrono>
#include <thread>

#include "PortCommands.h"
#include "ReplyText.h"
#include "ports/CModemPort.h"
#include "ports/CSerialPort.h"
#include "ports/CTcpipPort.h"
#include "ports/CUsbPort.h"

namespace Tellus {

using Lock = engine::CLock<ReceiverModelImpl>;

namespace {
constexpr std::uint32_t kScanRates[] = {1500000, 460800, 230400, 115200, 57600, 38400, 19200, 9600, 4800};
constexpr std::size_t kMaxWriteChunk = 32768;

void sleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
}  // namespace

ReceiverModelImpl::ReceiverModelImpl() : m_storage(new engine::TUnknown<GnssMsgStorage>()) {
  m_storage->setEpochSink(&m_composer);
  m_reader.addListener(&m_dataCash);
}

ReceiverModelImpl::~ReceiverModelImpl() {
  disconnect();
  m_storage->setEpochSink(nullptr);
}

// ---- connecting --------------------------------------------------------------

bool ReceiverModelImpl::connect(const std::string& connection, IConnectionListener* listener) {
  Lock lock(this);
  disconnect();
  m_state = 1;
  m_listener = listener;
  m_cancel = false;
  const bool parsed = parseConnectionString(connection, m_params);
  if (!parsed) m_lastError = "Bad connection string \"" + connection + "\"";
  if (listener) {
    if (!parsed) {
      onConnected(false);
      return false;
    }
    m_connection.Start();
    return true;
  }
  const bool ok = parsed && connectProcedure();
  onConnected(ok);
  return ok;
}

bool ReceiverModelImpl::reconnect(IConnectionListener* listener) {
  std::string text;
  {
    Lock lock(this);
    text = m_params.text;
  }
  return connect(text, listener);
}

void ReceiverModelImpl::ConnectThread::Run() {
  const bool ok = m_model.connectProcedure();
  m_model.onConnected(ok);
}

void ReceiverModelImpl::cancelConnect() {
  if (m_state.load() != 1 && !m_connection.hasThread()) return;
  m_cancel = true;
  m_connection.Stop(1000);
  Lock lock(this);
  m_listener = nullptr;
  if (m_state.load() == 1) m_state = 0;
}

void ReceiverModelImpl::disconnect() {
  cancelConnect();
  Lock lock(this);
  m_state = 0;
  m_reader.Stop(10000);
  stopAnalysis();
  closePort();
}

bool ReceiverModelImpl::openPort() {
  switch (m_params.type) {
    case kPortSerial:
      m_port = std::make_unique<CMNC::CSerialPort>();
      break;
    case kPortTcp: {
      auto tcp = std::make_unique<CMNC::CTcpipPort>();
      tcp->setLogin(m_params.login);
      m_port = std::move(tcp);
      break;
    }
    case kPortUsb:
      m_port = std::make_unique<CMNC::CUsbPort>(m_usb);
      break;
    case kPortModem:
      m_port = std::make_unique<CMNC::CModemPort>(&m_cancel);
      break;
    default:
      m_lastError = "Unknown port type";
      return false;
  }
  const std::string what = m_params.type == kPortTcp     ? m_params.address
                           : m_params.type == kPortModem ? m_params.text
                                                         : m_params.portName;
  if (m_port->Open(what)) return true;
  m_lastError = m_port->LastError();
  m_port.reset();
  return false;
}

void ReceiverModelImpl::closePort() {
  if (!m_port) return;
  if (!m_port->LastError().empty() && !m_loginFailed) m_lastError = m_port->LastError();
  m_port->Close();
  m_port.reset();
}

bool ReceiverModelImpl::connectProcedure() {
  m_connecting = true;
  m_loginFailed = false;
  bool ok = openPort();
  if (ok && m_params.type == kPortSerial) {
    ok = connectSerial();
  } else if (ok && (m_params.type == kPortTcp || m_params.type == kPortUsb || m_params.type == kPortModem)) {
    ok = (m_params.type != kPortTcp || !m_params.login || login());
    if (ok) PortCommands(*m_port, &m_cancel).stopOutput();
  }
  if (!ok || m_cancel.load()) {
    ok = false;
    closePort();
  }
  m_connecting = false;
  return ok;
}

bool ReceiverModelImpl::login() {
  // The port walked the prompts up to the password question.
  const std::size_t colon = m_params.address.find(':');
  const std::size_t second = m_params.address.find(':', colon + 1);
  std::string password;
  if (second != std::string::npos && second + 1 < m_params.address.size()) password = m_params.lastToken;
  const std::string line = password + "\n";
  m_port->Write(reinterpret_cast<const std::uint8_t*>(line.data()), line.size(), -1);
  const std::string answer = PortCommands(*m_port, &m_cancel).readFor(1500);
  if (loginAccepted(answer)) return true;
  m_lastError = "Unable to login.";
  if (answer.find("ogin incorrect") != std::string::npos) m_lastError += " Wrong password? " + m_params.address;
  const std::string said = loginAnswerText(answer);
  if (!said.empty()) m_lastError += " The receiver says: " + said;
  m_loginFailed = true;  // the port's own text must not replace this one when it closes
  return false;
}

bool ReceiverModelImpl::connectSerial() {
  PortCommands cmd(*m_port, &m_cancel);
  const auto tryRate = [&](std::uint32_t rate) {
    if (!m_port->SetBaudRate(rate)) return false;
    m_port->Purge(CMNC::kPurgeRxAbort | CMNC::kPurgeRxClear | CMNC::kPurgeTxAbort | CMNC::kPurgeTxClear);
    cmd.stopOutput();
    return cmd.portTest(1500);
  };
  bool found = tryRate(m_params.baud);
  if (found) m_currentBaud = m_params.baud;
  if (!found) {
    m_port->Close();
    sleepMs(100);
    if (!m_port->Open(m_params.portName)) {
      m_lastError = m_port->LastError();
      return false;
    }
    onConnectStart();
    for (int pass = 0; pass < 3 && !found && !m_cancel.load(); ++pass) {
      for (std::uint32_t rate : kScanRates) {
        if (m_cancel.load()) break;
        onConnectProgress("Trying " + m_params.portName + " at: " + std::to_string(rate) + "...");
        if (tryRate(rate)) {
          found = true;
          m_currentBaud = rate;
          break;
        }
        onConnectFailure(" Fail");
      }
    }
    if (!found) {
      m_lastError = "The receiver does not answer on " + m_params.portName;
      return false;
    }
  }
  if (!cmd.setFlowControl(true) && !cmd.setFlowControl(false)) {
    m_lastError = "Unable to set the flow control";
    return false;
  }
  if (!cmd.setPortRate(m_params.baud)) {
    m_lastError = "Unable to set the port rate " + std::to_string(m_params.baud);
    return false;
  }
  m_currentBaud = m_params.baud;
  return true;
}

void ReceiverModelImpl::onConnectStart() {
  if (IConnectionListener* l = m_listener) l->onConnectStart();
}
void ReceiverModelImpl::onConnectProgress(const std::string& text) {
  if (IConnectionListener* l = m_listener) l->onConnectProgress(text);
}
void ReceiverModelImpl::onConnectFailure(const std::string& text) {
  if (IConnectionListener* l = m_listener) l->onConnectFailure(text);
}

void ReceiverModelImpl::onConnected(bool result) {
  // The connect thread must not block a cancel that holds our lock while it
  // waits for this thread: it takes the lock only while no cancel is asked.
  while (!try_lock()) {
    if (m_cancel.load()) return;
    sleepMs(1);
  }
  IConnectionListener* listener = nullptr;
  {
    Lock lock(this);
    unlock();  // the loop's lock; the scoped one stays
    if (m_cancel.load()) result = false;
    if (result) {
      startReading();
      m_state = 2;
    } else {
      closePort();
      m_state = 0;
    }
    listener = m_listener;
  }
  if (listener) listener->onConnected(result);
}

// Under the lock, with the port open.
void ReceiverModelImpl::startReading() {
  stopAnalysis();
  m_analysis = new engine::TUnknown<engine::C_DataAnalyser>();
  m_analysis->init(m_storage.get(), nullptr);
  m_analysis->getTuning()->setNestingLimit(0);
  m_analysis->getTuning()->setReadWait(500);
  engine::IParserManager* pm = m_analysis->getParserManager();
  for (std::size_t i = 0; i < pm->parserCount(); ++i) pm->setAcceptUnknown(i, true);
  m_analysis->topAnalyser()->setFalseStartQuietMs(250);
  m_analysis->start();
  m_dataListener.setAnalysis(m_analysis.get());
  m_dataCash.reset();
  m_replies.reset();
  m_reader.setPort(m_port.get(), m_params.type == kPortTcp);
  updateAttachment();
  m_reader.Start();
  for (int i = 0; i < 1000 && !m_reader.isRunning(); ++i) sleepMs(1);
}

void ReceiverModelImpl::stopAnalysis() {
  m_dataListener.setAnalysis(nullptr);
  if (m_analysis) m_analysis->stop();
  m_analysis.reset();
}

int ReceiverModelImpl::portKind() {
  Lock lock(this);
  if (m_state.load() != 2 || !m_port || !m_port->IsOpen()) return 0;
  switch (m_params.type) {
    case kPortSerial:
      return 2;
    case kPortTcp:
      return 3;
    case kPortUsb:
      return 4;
    case kPortModem:
      return 5;
    default:
      return 0;
  }
}

std::string ReceiverModelImpl::lastError() {
  Lock lock(this);
  return m_lastError;
}

// ---- listeners -------------------------------------------------------------------

void ReceiverModelImpl::DataListener::onData(const std::uint8_t* bytes, std::size_t count) {
  std::lock_guard<std::mutex> g(m_m);
  if (m_analysis) m_analysis->write(bytes, count);
}

void ReceiverModelImpl::DataListener::setAnalysis(engine::IDataAnalyser* a) {
  std::lock_guard<std::mutex> g(m_m);
  m_analysis = a;
}

// Bytes are decoded only while someone listens for messages or epochs.
void ReceiverModelImpl::updateAttachment() {
  const bool want = m_storage->hasListeners() || m_composer.hasListeners();
  if (want && !m_attached) m_reader.addListener(&m_dataListener);
  if (!want && m_attached) m_reader.removeListener(&m_dataListener);
  m_attached = want;
}

void ReceiverModelImpl::addMessageListener(IGnssMessageListener* l, const std::string& format,
                                           const std::string& id) {
  Lock lock(this);
  m_storage->addMessageListener(l, format, id);
  updateAttachment();
}

void ReceiverModelImpl::removeMessageListener(IGnssMessageListener* l) {
  Lock lock(this);
  m_storage->removeMessageListener(l);
  updateAttachment();
}

void ReceiverModelImpl::addEpochListener(IEpochListener* l) {
  Lock lock(this);
  m_composer.addListener(l);
  updateAttachment();
}

void ReceiverModelImpl::removeEpochListener(IEpochListener* l) {
  Lock lock(this);
  m_composer.removeListener(l);
  updateAttachment();
}

void ReceiverModelImpl::beginReplyListening() {
  Lock lock(this);
  if (m_replyListening++ == 0) {
    m_storage->addMessageListener(&m_replies, "ZRX", "RE");
    m_storage->addMessageListener(&m_replies, "ZRX", "ER");
    updateAttachment();
  }
}

void ReceiverModelImpl::endReplyListening() {
  Lock lock(this);
  if (m_replyListening > 0 && --m_replyListening == 0) {
    m_storage->removeMessageListener(&m_replies);
    updateAttachment();
  }
}

// ---- commands ---------------------------------------------------------------------

bool ReceiverModelImpl::writeRaw(const std::string& bytes) {
  Lock lock(this);
  if (m_state.load() != 2 || !m_port) return false;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t n = std::min(kMaxWriteChunk, bytes.size() - at);
    const int w = m_port->Write(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at, n, -1);
    if (w != static_cast<int>(n)) {
      m_lastError = m_port->LastError();
      return false;
    }
    at += n;
  }
  return true;
}

bool ReceiverModelImpl::sendCommand(const std::string& text, std::string* id) {
  Lock lock(this);
  if (m_state.load() != 2) return false;
  std::string ident;
  const std::string line = sealModelCommand(text, ++m_counter, ident);
  if (id) *id = ident;
  return writeRaw(line);
}

int ReceiverModelImpl::execute(const std::string& text, std::string& reply, int timeoutMs) {
  reply.clear();
  if (m_state.load() != 2) return kExecNotConnected;
  Lock lock(this);
  if (m_state.load() != 2) return kExecNotConnected;
  beginReplyListening();
  int result = kExecError;
  std::string id;
  if (sendCommand(text, &id)) {
    try {
      result = m_replies.waitReply(id, reply, timeoutMs) ? kExecError : kExecOk;
    } catch (const ReplyTimeout& e) {
      m_lastError = e.what();
      result = kExecTimeout;
    }
  }
  endReplyListening();
  return result;
}

}  // namespace Tellus
