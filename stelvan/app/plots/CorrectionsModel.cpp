#include "plots/CorrectionsModel.h"

#include <algorithm>

#include "decode/rtcm3/MsmSignals.h"

namespace plots {

using engine::rtcm3::ContentKind;

namespace {
int descriptorRank(const engine::rtcm3::AntennaDescriptor& d) {
  return d.hasReceiver ? 2 : d.hasSerial ? 1 : 0;
}
}  // namespace

CorrectionsModel::CorrectionsModel()
    : scanner_([this](const std::uint8_t* p, std::size_t n) { addFrameLocked(p, n); }) {}

void CorrectionsModel::addBytes(const std::uint8_t* bytes, std::size_t count, std::int64_t nowMs) {
  std::lock_guard l(lock_);
  now_ = nowMs;
  scanner_.write(bytes, count);
}

void CorrectionsModel::setOwnPosition(const double ecef[3]) {
  std::lock_guard l(lock_);
  own_ = std::array<double, 3>{ecef[0], ecef[1], ecef[2]};
}

void CorrectionsModel::clear() {
  std::lock_guard l(lock_);
  types_.clear();
  station_.reset();
  descriptor_.reset();
  own_.reset();
  building_.clear();
  latest_.clear();
}

void CorrectionsModel::addFrameLocked(const std::uint8_t* payload, std::size_t length) {
  const auto c = engine::rtcm3::decodeContents(payload, length);
  TypeStats& t = types_[c.type];
  ++t.count;
  t.arrivals.push_back(now_);
  if (t.arrivals.size() > kRateWindow) t.arrivals.pop_front();
  if (c.kind == ContentKind::StationArp) station_ = c.arp;
  // A plain 1007 does not hide the serial numbers and receiver names a 1008 or 1033 brought.
  if (c.kind == ContentKind::Descriptor &&
      (!descriptor_ || descriptorRank(c.descriptor) >= descriptorRank(*descriptor_)))
    descriptor_ = c.descriptor;
  if (c.kind == ContentKind::Observations && c.observations.msmKind > 0) addMsmLocked(c);
}

void CorrectionsModel::addMsmLocked(const engine::rtcm3::MessageContents& c) {
  const auto& o = c.observations;
  const std::string name = engine::rtcm3::systemName(o.system);
  // A system seen again starts the next epoch, for streams that never clear the multiple flag.
  if (std::any_of(building_.begin(), building_.end(), [&](const auto& s) { return s.name == name; })) {
    latest_ = building_;
    building_.clear();
  }
  CorrectionsSnapshot::System sys{
      name,    c.type,       static_cast<int>(o.satellites.size()), static_cast<int>(o.signalIds.size()),
      o.cells, std::string()};
  for (int id : o.signalIds) {
    const std::string code = engine::rtcm3::msmSignalName(o.system, id);
    sys.signalNames +=
        (sys.signalNames.empty() ? "" : " ") + (code.empty() ? "#" + std::to_string(id) : code);
  }
  building_.push_back(sys);
  if (!o.multiple) {
    latest_ = building_;
    building_.clear();
  }
}

CorrectionsSnapshot CorrectionsModel::snapshot(std::int64_t nowMs) const {
  std::lock_guard l(lock_);
  CorrectionsSnapshot s;
  s.station = station_;
  if (station_) {
    s.stationGeo = engine::rtcm3::ecefToGeodetic(station_->x, station_->y, station_->z);
    if (own_) {
      const double arp[3] = {station_->x, station_->y, station_->z};
      s.distance = engine::rtcm3::ecefDistance(arp, own_->data());
    }
  }
  s.descriptor = descriptor_;
  for (const auto& [type, t] : types_) {
    CorrectionsSnapshot::Message m;
    m.type = type;
    m.count = t.count;
    m.ageMs = std::max<std::int64_t>(0, nowMs - t.arrivals.back());
    const std::int64_t span = t.arrivals.back() - t.arrivals.front();
    if (t.arrivals.size() >= 2 && span > 0)
      m.rateHz = static_cast<double>(t.arrivals.size() - 1) * 1000.0 / static_cast<double>(span);
    s.messages.push_back(m);
  }
  s.systems = latest_;
  s.frames = scanner_.framesFound();
  s.skippedBytes = scanner_.bytesSkipped();
  return s;
}

}  // namespace plots
