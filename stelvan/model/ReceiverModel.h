#pragma once
// The receiver model's public face: Tellus::ReceiverModel::create() gives a
// counted IReceiverModel (see IReceiverModel.h for threads and ownership).
// It owns its works (ReceiverModelImpl), the parameter reader and the script
// runner; the last Release disconnects, stops every thread and frees them.
#include <memory>

#include "IReceiverModel.h"

namespace CMNC {
class IUsbBackend;
}

namespace Tellus {

class ReceiverModelImpl;
class RcvParamReader;

class ReceiverModel : public engine::TUnknownImpl<IReceiverModel> {
 public:
  // Count 0: the caller's first reference (engine::Ref) owns it.
  static ReceiverModel* create();
  ~ReceiverModel() override;

  bool listPorts(int kind, std::vector<PortInfo>& out) override;
  bool connect(const std::string& connection, IConnectionListener* listener) override;
  void cancelConnect() override;
  void disconnect() override;
  bool isConnected() override;
  int state() override;
  int portKind() override;
  bool writeRaw(const std::string& bytes) override;
  bool sendCommand(const std::string& text) override;
  int execute(const std::string& text, std::string& reply, int timeoutMs) override;
  int printParameter(const std::string& name, std::string& reply, int timeoutMs) override;
  int setParameter(const std::string& name, const std::string& value, int timeoutMs) override;
  void readParameter(const std::string& name, IParameterListener* listener, int periodMs) override;
  bool hasParameter(const std::string& name) override;
  void unreadParameter(const std::string& name, IParameterListener* listener) override;
  void unreadAll(IParameterListener* listener) override;
  void addStreamListener(IStreamListener* listener) override;
  void removeStreamListener(IStreamListener* listener) override;
  void addMessageListener(IGnssMessageListener* listener, const std::string& format,
                          const std::string& identifier) override;
  void removeMessageListener(IGnssMessageListener* listener) override;
  void addEpochListener(IEpochListener* listener) override;
  void removeEpochListener(IEpochListener* listener) override;
  IEpochManager* epochManager() override;
  RcvCmdScriptParser* scriptParser() override;
  bool reconnect(IConnectionListener* listener) override;
  std::string lastError() override;
  bool lineLost() override;

  // Tests put a fake USB stack here (not owned; must outlive the model).
  void setUsbBackend(CMNC::IUsbBackend* backend);
  // The reader's timer interval (ms).
  std::uint32_t parameterInterval();

 private:
  ReceiverModel();
  std::unique_ptr<ReceiverModelImpl> m_impl;
  std::unique_ptr<RcvParamReader> m_params;
  std::unique_ptr<RcvCmdScriptParser> m_scripts;
};

}  // namespace Tellus
