#include "corrections/CorrectionsRun.h"

#include "CasterExchange.h"

namespace corrections {

namespace {
constexpr int kTableTimeoutMs = 10000;
}

void SharedPosition::Set(const Ntrip::GgaPosition& p) {
  std::lock_guard l(lock_);
  position_ = p;
  known_ = true;
}

bool SharedPosition::Get(Ntrip::GgaPosition& out) const {
  std::lock_guard l(lock_);
  if (known_) out = position_;
  return known_;
}

bool CorrectionsRun::Start(Ntrip::ClientSettings settings, const std::string& destination,
                           std::string& error) {
  std::unique_ptr<Ntrip::Destination> made = Ntrip::Destination::Create(destination, error);
  if (!made) return false;
  // A receiver port that goes away (unplugged, restarted) is opened again until it is back.
  Ntrip::Destination* reopened = made.get();
  settings.reopenDestination = [reopened](const std::atomic<bool>& stop, std::string& why) {
    return reopened->Reopen(stop, why);
  };
  // A serial port opens at once, so a wrong name shows now; a network port may take
  // seconds to answer, which the window must not wait for: the client's thread opens it.
  return Start(std::move(settings), std::move(made), destination.rfind("TCP:", 0) != 0, error);
}

bool CorrectionsRun::Start(Ntrip::ClientSettings settings, std::unique_ptr<Ntrip::Destination> destination,
                           bool openNow, std::string& error) {
  Stop();
  destination_ = std::move(destination);
  if (openNow && !destination_->Open(error)) {
    destination_.reset();
    return false;
  }
  // The client's thread keeps its own reference: the position outlives any stop order.
  std::shared_ptr<SharedPosition> position = position_;
  settings.position = [position](Ntrip::GgaPosition& p) { return position->Get(p); };
  Ntrip::Destination* out = destination_.get();
  client_ = std::make_unique<Ntrip::NtripClient>(
      settings, [out, open = openNow](const char* b, std::size_t n, std::string& why) mutable {
        if (!open && !(open = out->Open(why))) return false;
        return out->Write(b, n, why);
      });
  client_->Start();
  return true;
}

void CorrectionsRun::Stop() {
  if (client_) client_->Stop();
  client_.reset();
  if (destination_) destination_->Close();
  destination_.reset();
}

Ntrip::ClientStatus CorrectionsRun::Status() const {
  return client_ ? client_->Status() : Ntrip::ClientStatus{};
}

void SourceTableFetch::Begin(const Ntrip::CasterRequest& caster) {
  Cancel();
  cancel_ = false;
  done_ = false;
  thread_ = std::thread([this, caster] {
    ok_ = Ntrip::FetchSourceTable(caster, &cancel_, kTableTimeoutMs, table_, error_);
    done_ = true;
  });
}

void SourceTableFetch::Cancel() {
  cancel_ = true;
  if (thread_.joinable()) thread_.join();
}

bool SourceTableFetch::Take(Ntrip::SourceTable& table, std::string& error) {
  if (thread_.joinable()) thread_.join();
  table = std::move(table_);
  error = std::move(error_);
  table_ = {};
  return ok_;
}

}  // namespace corrections
