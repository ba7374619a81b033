#include "shell/CSessionThread.h"

#include <cstdio>

#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "gridlink/platform/Clock.h"
#include "linkpanel/Linkpanel.h"
#include "query/CAnswerTable.h"
#include "shell/CCockpitApp.h"
#include "shell/SessionSink.h"

namespace {

// The connect progress callback and the server-message callback carry no context of ours.
std::atomic<SessionSink*> g_Sink{nullptr};
std::atomic<int> g_Attempt{0};

constexpr const char* kIdentifyScript =
    "@scr stoperrors off\n"
    "print,/par/rcv/ver/main\n"
    "print,/par/rcv/model\n"
    "print,/cur/term\n"
    "print,/par/rcvid\n"
    "@end\n";

std::string trimmed(std::string s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

CSessionThread::CSessionThread(CCockpitApp& app, SessionSink& sink)
    : m_App(app), m_Sink(sink), m_Display(app, app.targetChanged) {
  g_Sink = &sink;
}

CSessionThread::~CSessionThread() {
  requestStop();
  if (m_Thread.joinable()) m_Thread.join();
}

void CSessionThread::start() {
  m_Thread = std::thread([this] {
    run();
    m_Done.Set();
  });
}

void CSessionThread::requestStop() {
  m_StopRequested = true;
  m_Wake.Set();
}

void CSessionThread::fail(const std::string& text) {
  m_App.connecting = false;
  m_Sink.postStatus(text);
  m_Sink.postDropConnection();
}

void CSessionThread::run() {
  m_App.sessionStartTick = Platform::GetTickCount();
  m_App.targetChanged = true;
  CConnection* conn = m_App.Connection();
  if (!conn && !openConnection(conn)) return;
  conn->SetTimeout(75);
  conn->GetRcvList();
  if (m_App.IsReceiverPresent()) {
    m_App.CloseReceiver();
    Platform::Sleep(100);
  }
  CReceiver* rcv = nullptr;
  if (!openReceiver(conn, rcv)) return;
  if (m_App.openInManual) {
    m_App.sessionRunning = true;
    m_App.connecting = false;
    m_App.CloseReceiver();
    m_Sink.postManualMode();
    return;
  }
  if (!identify(rcv) || !attach(conn, rcv)) return;
  m_Sink.postTitle(titleFor(rcv));
  m_App.sessionRunning = true;
  m_App.connecting = false;
  displayLoop();
  rcv->Close(false);
  m_Table.unbind();
}

bool CSessionThread::openConnection(CConnection*& conn) {
  conn = m_App.CreateConnection();
  conn->SetSysMsgCallback(&CSessionThread::ServerMessage);
  conn->SetLogDetailLevel(0);
  conn->SetTlsTrustCallback(&Kestrel::AskTlsTrust, nullptr);
  m_Sink.postStatus("Open connection to server");
  const CONNECTION_INFO info = m_App.connectionInfo();
  g_Attempt = 0;
  if (!conn->Open(info.server.c_str(), info.user.c_str(), info.password.c_str(), CCockpitApp::kAppName,
                  &CSessionThread::ConnectProgress)) {
    fail(conn->GetReplyString());
    return false;
  }
  return true;
}

bool CSessionThread::openReceiver(CConnection* conn, CReceiver*& rcv) {
  const std::string port = m_App.sessionInfo().portName;
  m_Sink.postStatus(port);
  rcv = m_App.GetReceiver();
  const int opened = rcv->Open(conn, port.c_str(), 0);
  m_App.abortConnect = false;
  m_Sink.postHideStopButton();
  if (!opened) {
    const std::string error = rcv->GetReplyString();
    m_App.updateSessionInfo([&](SessionInfo& s) { s.lastError = error; });
    fail(error);
    return false;
  }
  // The line-speed search may have left "Trying n" in pane 0; name the receiver again.
  m_Sink.postStatus(port);
  return true;
}

bool CSessionThread::identify(CReceiver* rcv) {
  CAnswerTable answers;
  if (!answers.run(*rcv, kIdentifyScript)) {
    fail("Error run script");
    return false;
  }
  m_App.updateSessionInfo([&](SessionInfo& s) {
    int major = 0, minor = 0;
    const auto version = answers.answer(0);
    s.firmwareVersion =
        version && std::sscanf(version->c_str(), "%d.%d", &major, &minor) == 2 ? major * 1000 + minor : 0;
    if (const auto model = answers.answer(1)) s.model = *model;
    if (const auto port = answers.answer(2)) s.currentPort = *port;
    if (const auto id = answers.answer(3)) s.receiverId = *id;
  });
  return true;
}

bool CSessionThread::attach(CConnection* conn, CReceiver* rcv) {
  m_Table.bind(rcv);
  const char* list = conn->isLocalServerConn() ? AttachTable::localList() : AttachTable::remoteList();
  if (!rcv->Attach(0, &AttachTable::onData, list)) {
    const std::string error = rcv->GetReplyString();
    m_App.updateSessionInfo([&](SessionInfo& s) { s.lastError = error; });
    fail(error);
    return false;
  }
  return true;
}

std::string CSessionThread::ConnectedTitle(const std::string& model, const std::string& portName, bool base,
                                           bool rover) {
  std::string title = std::string(CCockpitApp::kAppName) + " to " + trimmed(model) + ":" +
                      portName.substr(0, portName.find(':'));
  if (base) title += "(base)";
  if (rover) title += "(rover)";
  return title;
}

std::string CSessionThread::titleFor(CReceiver* rcv) {
  const auto on = [rcv](const char* cmd) {
    std::string reply;
    return rcv->SendCommand(cmd, reply) && reply.find("on") != std::string::npos;
  };
  const bool base = on("print,/par/base/mode");
  const bool rover = on("print,/par/rover/mode");
  const SessionInfo s = m_App.sessionInfo();
  return ConnectedTitle(s.model, s.portName, base, rover);
}

void CSessionThread::displayLoop() {
  std::vector<std::string> fresh;
  const auto& rows = AttachTable::rows();
  while (!m_StopRequested) {
    if (m_Wake.Wait(kRoundWaitMs) != Platform::WaitResult::Signalled) {
      m_Display.clear();
      m_App.targetChanged = true;
      m_Sink.postTexts(m_Display.snapshot());
      continue;
    }
    if (!m_App.sessionRunning || m_StopRequested) break;
    if (m_Table.takeFresh(fresh) < kMinFreshRows) {
      m_Display.clear();
      m_App.targetChanged = true;
    } else {
      for (std::size_t i = 0; i < rows.size() && m_App.sessionRunning; ++i)
        if (!fresh[i].empty()) m_Display.handle(fresh[i]);
    }
    m_Sink.postTexts(m_Display.snapshot());
  }
}

void CSessionThread::ForgetSink(SessionSink* sink) {
  g_Sink.compare_exchange_strong(sink, nullptr);
}

bool CSessionThread::ConnectProgress(void*) {
  char text[32];
  std::snprintf(text, sizeof text, "Trying %d", ++g_Attempt);
  if (SessionSink* sink = g_Sink.load()) sink->postStatus(text);
  CCockpitApp* app = CCockpitApp::Instance();
  return app && app->abortConnect;
}

std::uint32_t CSessionThread::ServerMessage(void* connection) {
  auto* conn = static_cast<CConnection*>(connection);
  CCockpitApp* app = CCockpitApp::Instance();
  SessionSink* sink = g_Sink.load();
  if (!conn || !app || !sink) return 0;
  const std::string text = conn->GetReplyString();
  app->updateSessionInfo([&](SessionInfo& s) { s.lastError = text; });
  switch (static_cast<std::uint8_t>(conn->GetLastException())) {
    case 246:
    case 250:
    case 252:
      break;
    case 251:
      sink->postMessageProgress(text);
      break;
    case 247:
    case 253:
    case 255:
      sink->postStopAndDrop();
      sink->postStatus(text);
      break;
    case 248: {
      const auto eq = text.find('=');
      if (eq != std::string::npos) sink->postStatus(trimmed(text.substr(eq + 1)));
      break;
    }
    case 254:
      app->newMessage = true;
      sink->postMessageCommand();
      break;
    default:
      sink->postStatus("ER:Unknown Message!");
  }
  return 0;
}
