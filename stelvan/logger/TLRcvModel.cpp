#include "logger/TLRcvModel.h"

namespace Gnss {

TLRcvModel::TLRcvModel(Tellus::IReceiverModel* model) : model_(model) { model_->AddRef(); }

TLRcvModel::~TLRcvModel() {
  setStreamSink(nullptr);
  model_->Release();
}

bool TLRcvModel::ready() { return model_->isConnected(); }

bool TLRcvModel::writeRaw(const std::string& text) { return model_->writeRaw(text); }

bool TLRcvModel::command(const std::string& text, std::string& reply, int timeoutMs) {
  return model_->execute(text, reply, timeoutMs) == Tellus::kExecOk;
}

void TLRcvModel::setStreamSink(std::function<void(const std::uint8_t*, std::size_t)> sink) {
  bool add = false, remove = false;
  {
    std::lock_guard l(lock_);
    sink_ = std::move(sink);
    add = sink_ && !listening_;
    remove = !sink_ && listening_;
    listening_ = static_cast<bool>(sink_);
  }
  // Outside our lock: the model takes its own while it changes listeners.
  if (add) model_->addStreamListener(this);
  if (remove) model_->removeStreamListener(this);
}

void TLRcvModel::onData(const std::uint8_t* bytes, std::size_t count) {
  std::function<void(const std::uint8_t*, std::size_t)> sink;
  {
    std::lock_guard l(lock_);
    sink = sink_;
  }
  if (sink) sink(bytes, count);
}

}  // namespace Gnss
