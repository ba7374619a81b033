#pragma once
// The receiver model's works: the port, the connect procedure and its
// thread, the reading thread feeding the analysis, sealed commands and the
// reply wait. ReceiverModel is its public face; the parameter reader and the
// script runner use it directly. See IReceiverModel.h for threads.
#include <atomic>
#include <memory>
#include <string>

#include "CashReply.h"
#include "ConnectionString.h"
#include "IReceiverModel.h"
#include "ReadingThread.h"
#include "decode/engine/C_DataAnalyser.h"
#include "decode/engine/GnssMsgStorage.h"
#include "epoch/EpochComposer.h"
#include "ports/CAbstractReceiverPort.h"
#include "ports/UsbBackend.h"
#include "thread/BasicThread.h"
#include "thread/TSynch.h"

namespace Tellus {

class ReceiverModelImpl : public IConnectionListener, public engine::TSynch<ReceiverModelImpl> {
 public:
  ReceiverModelImpl();
  ~ReceiverModelImpl() override;

  // Tests put a fake USB stack here (not owned; must outlive the model).
  void setUsbBackend(CMNC::IUsbBackend* backend) { m_usb = backend; }

  bool connect(const std::string& connection, IConnectionListener* listener);
  bool reconnect(IConnectionListener* listener);
  void cancelConnect();
  void disconnect();
  int state() const { return m_state.load(); }
  int portKind();
  std::string lastError();
  bool lineLost() const { return m_reader.lineLost(); }

  bool writeRaw(const std::string& bytes);
  // Seals and sends; `id` receives the command's identifier.
  bool sendCommand(const std::string& text, std::string* id = nullptr);
  int execute(const std::string& text, std::string& reply, int timeoutMs);

  // While above zero, the reply cache listens in the storage.
  void beginReplyListening();
  void endReplyListening();

  void addStreamListener(IStreamListener* l) { m_reader.addListener(l); }
  void removeStreamListener(IStreamListener* l) { m_reader.removeListener(l); }
  void addMessageListener(IGnssMessageListener* l, const std::string& format, const std::string& id);
  void removeMessageListener(IGnssMessageListener* l);
  void addEpochListener(IEpochListener* l);
  void removeEpochListener(IEpochListener* l);

  CashReply& replies() { return m_replies; }
  EpochComposer& composer() { return m_composer; }
  DataCash& dataCash() { return m_dataCash; }

  // IConnectionListener: the connect procedure reports here.
  void onConnectStart() override;
  void onConnectProgress(const std::string& text) override;
  void onConnectFailure(const std::string& text) override;
  void onConnected(bool result) override;

 private:
  class ConnectThread : public THREAD::BasicThread {
   public:
    explicit ConnectThread(ReceiverModelImpl& m) : m_model(m) {}
    ~ConnectThread() override { Stop(1000); }

   protected:
    void Run() override;
    void OnStop() override { m_model.m_cancel = true; }

   private:
    ReceiverModelImpl& m_model;
  };

  // Writes every received block into the current analysis.
  class DataListener : public IStreamListener {
   public:
    void onData(const std::uint8_t* bytes, std::size_t count) override;
    void setAnalysis(engine::IDataAnalyser* a);

   private:
    std::mutex m_m;
    engine::Ref<engine::IDataAnalyser> m_analysis;
  };

  bool connectProcedure();
  bool openPort();
  bool connectSerial();
  bool login();
  void closePort();
  void updateAttachment();  // under the lock
  void startReading();      // under the lock
  void stopAnalysis();

  ConnectThread m_connection{*this};
  std::atomic<IConnectionListener*> m_listener{nullptr};  // read by the connect thread
  ConnectionParams m_params;
  std::uint32_t m_currentBaud = 115200;
  std::unique_ptr<CMNC::CAbstractReceiverPort> m_port;
  std::string m_lastError;
  ReadingThread m_reader;
  engine::Ref<engine::C_DataAnalyser> m_analysis;
  engine::Ref<GnssMsgStorage> m_storage;
  EpochComposer m_composer;
  CashReply m_replies;
  std::uint32_t m_counter = 0;
  int m_replyListening = 0;
  std::atomic<int> m_state{0};
  std::atomic<bool> m_cancel{false};
  std::atomic<bool> m_connecting{false};
  DataListener m_dataListener;
  bool m_attached = false;
  bool m_loginFailed = false;  // the login's error text is kept over the port's
  DataCash m_dataCash;
  CMNC::IUsbBackend* m_usb = nullptr;
};

}  // namespace Tellus
