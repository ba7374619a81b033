#include "RtcmMsm.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "RtcmBitWriter.h"
#include "RtcmMessages.h"

namespace rcvsim {

namespace {

using Bits = RtcmBitWriter;

struct MsmSystem {
  const char* name;
  Gnss sys;
  std::vector<int> signals;  // DF395 signal ids
  int idOffset;              // satellite id = number - idOffset (SBAS ids count from PRN 120)
};

const MsmSystem* systemOf(const std::string& name) {
  static const MsmSystem kSystems[] = {{"1074", Gnss::Gps, {2, 15}, 0},
                                       {"1084", Gnss::Glonass, {2, 8}, 0},
                                       {"1094", Gnss::Galileo, {2, 23}, 0},
                                       {"1104", Gnss::Sbas, {2}, 119}};
  for (const MsmSystem& s : kSystems)
    if (name == s.name) return &s;
  return nullptr;
}

// DF004 (GPS time of week) for all but GLONASS, whose DF416 and DF034 count Moscow time.
std::uint64_t epochField(Gnss sys, std::int64_t utcMs) {
  if (sys != Gnss::Glonass) return static_cast<std::uint64_t>((utcMs - 315964800000ll + 18000) % 604800000ll);
  const std::int64_t moscow = utcMs + 3 * 3600000ll;
  const std::int64_t day = moscow / 86400000ll;
  return (static_cast<std::uint64_t>((day + 4) % 7) << 27) | static_cast<std::uint64_t>(moscow % 86400000ll);
}

void putHeader(Bits& w, unsigned type, const MsmSystem& s, const SkyEpoch& ep, bool more,
               const std::vector<const SatView*>& sats) {
  w.put(type, 12);                         // DF002
  w.put(0, 12);                            // DF003, as 1005 sends it
  w.put(epochField(s.sys, ep.utcMs), 30);  // DF004, or DF416 and DF034
  w.put(more ? 1 : 0, 1);                  // DF393
  w.put(0, 3 + 7 + 2 + 2 + 1 + 3);         // DF409, DF001, DF411, DF412, DF417, DF418
  std::uint64_t satMask = 0;
  for (const SatView* v : sats) satMask |= 1ull << (64 - (v->number - s.idOffset));
  w.put(satMask, 64);  // DF394
  std::uint32_t sigMask = 0;
  for (int id : s.signals) sigMask |= 1u << (32 - id);
  w.put(sigMask, 32);                                        // DF395
  const std::size_t cells = sats.size() * s.signals.size();  // every satellite on every signal
  w.put(cells == 64 ? ~0ull : (1ull << cells) - 1, static_cast<int>(cells));  // DF396
}

}  // namespace

bool isMsmName(const std::string& name) {
  return systemOf(name) != nullptr;
}

std::string msmMessage(const std::string& name, const SkyEpoch& ep, bool more) {
  const MsmSystem* s = systemOf(name);
  if (!s) return std::string();
  std::vector<const SatView*> sats;
  // Satellites in mask order; no more than 64 cells.
  for (const SatView& v : ep.sats)
    if (v.sys == s->sys && v.number - s->idOffset >= 1 && v.number - s->idOffset <= 64 &&
        (sats.size() + 1) * s->signals.size() <= 64)
      sats.push_back(&v);
  std::sort(sats.begin(), sats.end(),
            [](const SatView* a, const SatView* b) { return a->number < b->number; });
  Bits w;
  putHeader(w, static_cast<unsigned>(std::atoi(name.c_str())), *s, ep, more, sats);
  // Satellite data: rough range in whole and 1/1024 milliseconds; signal data per cell.
  std::vector<double> roughMs;
  for (const SatView* v : sats) {
    roughMs.push_back(std::round(v->range / kLight * 1e6 * 1.024) / 1024.0);
    w.put(static_cast<std::uint64_t>(std::floor(roughMs.back())), 8);  // DF397
  }
  for (double r : roughMs)
    w.put(static_cast<std::uint64_t>(std::lround((r - std::floor(r)) * 1024.0)) & 0x3FF, 10);  // DF398
  const std::size_t nsig = s->signals.size();
  std::vector<std::int64_t> fine;  // 2^-24 ms; each further signal a little later, as a code bias would
  for (std::size_t i = 0; i < sats.size(); ++i)
    for (std::size_t k = 0; k < nsig; ++k)
      fine.push_back(std::llround((sats[i]->range / kLight * 1000.0 - roughMs[i]) * 16777216.0) +
                     static_cast<std::int64_t>(k) * 40);
  for (std::int64_t f : fine) w.putSigned(std::clamp<std::int64_t>(f, -16383, 16383), 15);  // DF400
  for (std::int64_t f : fine)
    w.putSigned(std::clamp<std::int64_t>(f, -16383, 16383) * 32 + 1000, 22);  // DF401
  for (std::size_t i = 0; i < fine.size(); ++i)
    w.put(std::min<std::uint32_t>(sats[i / nsig]->lockSec / 32, 15), 4);  // DF402, roughly
  for (std::size_t i = 0; i < fine.size(); ++i) w.put(0, 1);              // DF420
  for (std::size_t i = 0; i < fine.size(); ++i) {
    const long cnr = std::lround(sats[i / nsig]->snr) - 3 * static_cast<long>(i % nsig);
    w.put(static_cast<std::uint64_t>(std::clamp(cnr, 0l, 63l)), 6);  // DF403
  }
  return w.frame();
}

bool msmFollows(const OutputItem& item, const std::vector<const OutputItem*>& due) {
  const auto at = std::find(due.begin(), due.end(), &item);
  return at != due.end() && std::any_of(at + 1, due.end(), [](const OutputItem* i) {
           return i->kind == StreamKind::Rtcm && isMsmName(i->name);
         });
}

}  // namespace rcvsim
