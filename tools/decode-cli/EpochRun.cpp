#include "EpochRun.h"

#include <charconv>

#include "CliStorage.h"
#include "JsonText.h"
#include "decode/engine/GnssMsgStorage.h"
#include "epoch/EpochComposer.h"

namespace decodecli {

namespace {

struct Printer : Tellus::IEpochListener {
  std::FILE* out;
  void onEpoch(Tellus::IGnssEpoch* e) override { std::fprintf(out, "%s\n", epochJson(e).c_str()); }
};

std::string num(double v) {
  char b[32];
  const auto r = std::to_chars(b, b + sizeof b, v);
  return std::string(b, r.ptr);
}

struct Json {
  std::string s = "{";
  void key(const char* k) {
    if (s.size() > 1) s += ", ";
    s += '"';
    s += k;
    s += "\": ";
  }
  template <class T>
  void opt(const char* k, const std::optional<T>& v) {
    if (!v) return;
    key(k);
    s += num(static_cast<double>(*v));
  }
  void value(const char* k, double v) {
    key(k);
    s += num(v);
  }
};

}  // namespace

bool parseMarker(const std::string& text, std::string& format, std::string& id) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size()) return false;
  format = text.substr(0, colon);
  id = text.substr(colon + 1);
  return true;
}

std::string epochJson(Tellus::IGnssEpoch* e) {
  const Tellus::TLEpochStructure& r = e->record();
  Json j;
  j.key("messages");
  j.s += "[";
  for (std::size_t i = 0; i < e->messageCount(); ++i) {
    const auto m = e->message(i);
    j.s += (i ? ", " : "") + jsonQuoted(m->format() + ":" + messageId(m.get()));
  }
  j.s += "]";
  j.value("flags", r.flags);
  if (r.hasTime) {
    j.value("hour", r.time[0].hour);
    j.value("minute", r.time[0].minute);
    j.value("second", r.time[0].second);
    j.value("millisecond", r.time[0].millisecond);
  }
  if (r.hasDate) {
    j.value("year", r.time[0].year);
    j.value("month", r.time[0].month);
    j.value("day", r.time[0].day);
  }
  j.opt("latitude", r.position.latitude);
  j.opt("longitude", r.position.longitude);
  j.opt("height", r.position.height);
  j.opt("position_accuracy", r.position.accuracy);
  j.opt("velocity_accuracy", r.velocity.accuracy);
  j.opt("speed_kmh", r.course.speedKmh);
  j.opt("course", r.course.course);
  j.opt("magnetic_variation", r.course.magneticVariation);
  j.opt("course_over_ground", r.course.courseOverGround);
  j.opt("pdop", r.dilution.pdop);
  j.opt("vdop", r.dilution.vdop);
  j.opt("hdop", r.dilution.hdop);
  j.opt("tdop", r.dilution.tdop);
  j.opt("differential_age", r.differentialAge);
  j.opt("station_number", r.stationNumber);
  j.opt("fix_quality", r.fixQuality);
  j.opt("satellites_used", r.satellitesUsed);
  j.opt("satellites_in_view", r.satellitesInView);
  j.opt("rms_position_horizontal", r.rmsPosition[0]);
  j.opt("rms_position_vertical", r.rmsPosition[1]);
  j.opt("rms_velocity_horizontal", r.rmsVelocity[0]);
  j.opt("rms_velocity_vertical", r.rmsVelocity[1]);
  if (!r.satellites.empty()) {
    j.key("satellites");
    j.s += "[";
    for (std::size_t i = 0; i < r.satellites.size(); ++i) {
      const auto& sat = r.satellites[i];
      Json o;
      o.value("system", sat.system);
      o.value("number", sat.number);
      o.opt("elevation", sat.elevation);
      o.opt("azimuth", sat.azimuth);
      o.opt("snr", sat.snr);
      if (!sat.signals.empty()) {
        o.key("signals");
        std::string sig = "{";
        for (const auto& [id, snr] : sat.signals)
          sig += (sig.size() > 1 ? ", " : "") + jsonQuoted(id) + ": " + num(snr);
        o.s += sig + "}";
      }
      j.s += (i ? ", " : "") + o.s + "}";
    }
    j.s += "]";
  }
  return j.s + "}";
}

RunResult runEpochs(std::FILE* in, const EpochOptions& opt, std::FILE* out) {
  RunResult r;
  engine::Ref<Tellus::GnssMsgStorage> storage(new engine::TUnknown<Tellus::GnssMsgStorage>());
  Tellus::EpochComposer composer;
  Printer printer;
  printer.out = out;
  std::string f, id;
  if (opt.begin.empty() && opt.end.empty()) {
    composer.setEndMarker("ZRX", "||");
  } else {
    if (parseMarker(opt.begin, f, id)) composer.setBeginMarker(f, id);
    if (parseMarker(opt.end, f, id)) composer.setEndMarker(f, id);
  }
  composer.addListener(&printer);
  storage->setEpochSink(&composer);
  engine::Ref<engine::C_DataAnalyser> da = makeAnalysis(storage.get(), false);
  if (!da) {
    r.error = "cannot start the analysis";
    return r;
  }
  feedAnalysis(in, da.get(), r);
  storage->setEpochSink(nullptr);
  return r;
}

}  // namespace decodecli
