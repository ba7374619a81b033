#pragma once
// The main view's session thread: opens the connection and the receiver, reads the receiver's
// identity, attaches the view's messages and turns each round of them into display texts.
// Created and stopped by the GUI thread; it talks to the windows only through the SessionSink.
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "gridlink/platform/Event.h"
#include "shell/AttachTable.h"
#include "shell/SessionDisplay.h"

class CCockpitApp;
class CConnection;
class CReceiver;
struct SessionSink;

class CSessionThread {
 public:
  static constexpr std::uint32_t kRoundWaitMs = 1999;
  static constexpr int kMinFreshRows = 8;

  CSessionThread(CCockpitApp& app, SessionSink& sink);
  ~CSessionThread();  // stops and joins
  CSessionThread(const CSessionThread&) = delete;
  CSessionThread& operator=(const CSessionThread&) = delete;

  void start();
  // Asks the thread to leave its loop (also wakes its wait).
  void requestStop();
  bool running() const { return m_Thread.joinable() && !m_Done.IsSet(); }
  // Waits for the end of the thread in steps of stepMs, running `between` after each step that
  // did not see it end; joins it. Every step of the thread is bounded, so this ends.
  template <class F>
  void waitForEnd(std::uint32_t stepMs, F between) {
    if (!m_Thread.joinable()) return;
    while (m_Done.Wait(stepMs) != Platform::WaitResult::Signalled) between();
    m_Thread.join();
  }

  // The title text for a connected session (also used by the tests).
  static std::string ConnectedTitle(const std::string& model, const std::string& portName, bool base,
                                    bool rover);
  static std::string IdleTitle() { return "Stelvan-P(idle)"; }

  // The server-message callback (a thread of its own per server event).
  static std::uint32_t ServerMessage(void* connection);
  // Stops the callbacks posting to `sink` (its window is going away).
  static void ForgetSink(SessionSink* sink);

 private:
  void run();
  bool openConnection(CConnection*& conn);
  bool openReceiver(CConnection* conn, CReceiver*& rcv);
  bool identify(CReceiver* rcv);
  bool attach(CConnection* conn, CReceiver* rcv);
  std::string titleFor(CReceiver* rcv);
  void displayLoop();
  void fail(const std::string& text);
  static bool ConnectProgress(void* rate);

  CCockpitApp& m_App;
  SessionSink& m_Sink;
  Platform::Event m_Wake{Platform::EventReset::Auto};
  Platform::Event m_Done{Platform::EventReset::Manual};
  std::atomic<bool> m_StopRequested{false};
  AttachTable m_Table{m_Wake};
  SessionDisplay m_Display;
  std::thread m_Thread;
};
