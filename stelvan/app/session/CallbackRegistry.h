#pragma once
// Gridlink calls back through plain function pointers that carry little or no context of ours.
// Every such callback of the program goes through this one registry: the session or a window
// registers a handler under a key (receiver and slot, connection, upload parameter) and hands
// Gridlink the registry's trampoline. When a Registration ends, no call of its handler is under
// way any more, so the handler's owner may go. Thread-safe; handlers run on Gridlink's threads
// and must only post or store, never wait for the thread that ends their registration.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

class CReceiver;
class CConnection;

namespace session {

template <class Key, class Sig>
class CallbackChannel;

template <class Key, class R, class... Args>
class CallbackChannel<Key, R(Args...)> {
  struct Slot {
    std::recursive_mutex running;  // held while the handler runs (a handler may end itself)
    std::function<R(Args...)> handler;
  };

 public:
  class Registration {
   public:
    Registration() = default;
    Registration(CallbackChannel* channel, Key key, std::shared_ptr<Slot> slot)
        : channel_(channel), key_(std::move(key)), slot_(std::move(slot)) {}
    ~Registration() { reset(); }
    Registration(Registration&& o) noexcept { *this = std::move(o); }
    Registration& operator=(Registration&& o) noexcept {
      if (this != &o) {
        reset();
        channel_ = std::exchange(o.channel_, nullptr);
        key_ = std::move(o.key_);
        slot_ = std::move(o.slot_);
      }
      return *this;
    }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    // Ends the handler; waits for a call of it under way on another thread.
    void reset() {
      if (!slot_) return;
      {
        std::lock_guard wait(slot_->running);
        slot_->handler = nullptr;
      }
      channel_->erase(key_, slot_);
      slot_.reset();
    }
    explicit operator bool() const { return slot_ != nullptr; }

   private:
    CallbackChannel* channel_ = nullptr;
    Key key_{};
    std::shared_ptr<Slot> slot_;
  };

  // Registers `handler` for `key`; a later registration of the same key replaces it.
  [[nodiscard]] Registration add(Key key, std::function<R(Args...)> handler) {
    auto slot = std::make_shared<Slot>();
    slot->handler = std::move(handler);
    std::lock_guard l(lock_);
    slots_[key] = slot;
    return Registration(this, std::move(key), std::move(slot));
  }

  // Runs `invoke(handler)` for the handler of `key`; false when there is none.
  template <class F>
  bool visit(const Key& key, F&& invoke) {
    std::shared_ptr<Slot> slot;
    {
      std::lock_guard l(lock_);
      const auto it = slots_.find(key);
      if (it == slots_.end()) return false;
      slot = it->second;
    }
    std::lock_guard running(slot->running);
    if (!slot->handler) return false;
    // A copy: a handler that ends its own registration must not destroy itself mid-call.
    std::function<R(Args...)> handler = slot->handler;
    invoke(handler);
    return true;
  }

  bool has(const Key& key) const {
    std::lock_guard l(lock_);
    return slots_.count(key) != 0;
  }

 private:
  void erase(const Key& key, const std::shared_ptr<Slot>& slot) {
    std::lock_guard l(lock_);
    const auto it = slots_.find(key);
    if (it != slots_.end() && it->second == slot) slots_.erase(it);
  }

  mutable std::mutex lock_;
  std::map<Key, std::shared_ptr<Slot>> slots_;
};

class CallbackRegistry {
 public:
  static CallbackRegistry& instance();

  // Data of a receiver's attach slot (CReceiver::Attach callback form).
  using DataKey = std::pair<const CReceiver*, std::uint8_t>;
  CallbackChannel<DataKey, void(CReceiver*)> data;
  // Server events of a connection (CConnection::SetSysMsgCallback).
  CallbackChannel<const CConnection*, void(CConnection*)> serverEvents;
  // The serial line-speed search while a receiver opens; Gridlink gives no context, so one
  // handler (key 0) serves the one opening at a time. True aborts the search.
  CallbackChannel<int, bool(std::uint32_t rate)> lineSearch;
  // Receiver output of a local command; one handler (key 0), as one command runs at a time.
  CallbackChannel<int, void(const char*, int)> commandOutput;
  // Upload progress by the upload's param value: (done, total); false asks to stop.
  CallbackChannel<std::uint32_t, bool(std::uint32_t, std::uint32_t)> uploadProgress;

  // The trampolines to hand to Gridlink.
  static void OnData(CReceiver* receiver);
  static std::uint32_t OnServerEvent(void* connection);
  static bool OnLineSearch(void* speed);
  static void OnCommandOutput(char* data, int length);
  static bool OnUploadProgress(std::uint32_t done, std::uint32_t total, std::uint32_t param);
};

}  // namespace session
