#include "shell/SatelliteTables.h"

#include <strings.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "decode/parsers/ZrxBodies.h"
#include "decode/parsers/ZrxSatellites.h"
#include "shell/DisplayFormat.h"

namespace {

// Column of each per-satellite message before the GLONASS shift.
int columnOf(const std::string& id) {
  static const char* const ids[] = {"SI", "EL", "AZ", "EC", "E1", "E2", "E3", "E5", "TC", "SS"};
  for (int i = 0; i < 10; ++i)
    if (id == ids[i]) return i;
  return -1;
}

int tableOf(engine::zrx::SatSystem system) {
  using engine::zrx::SatSystem;
  switch (system) {
    case SatSystem::Gps:
      return kGps;
    case SatSystem::Glonass:
      return kGlonass;
    case SatSystem::Galileo:
      return kGalileo;
    case SatSystem::Sbas:
      return kSbas;
    case SatSystem::Beidou:
      return kBeidou;
    case SatSystem::Qzss:
      return kQzss;
  }
  return -1;
}

bool numericColumn(int table, int column) {
  const int c = table == kGlonass ? column - 1 : column;
  return c == 1 || c == 2 || c == 8;
}

}  // namespace

const std::vector<SatColumn>& satColumns(int table) {
  static const std::vector<SatColumn> gps = {{"#", 25},  {"EL", 36},  {"AZ", 36}, {"CA", 26}, {"P1", 26},
                                             {"P2", 26}, {"L2C", 30}, {"L5", 0},  {"TC", 33}, {"SS", 33}};
  static const std::vector<SatColumn> glonass = {{"Sn", 26}, {"Fn", 26}, {"EL", 36}, {"AZ", 36},
                                                 {"CA", 26}, {"P1", 25}, {"P2", 25}, {"L2C", 30},
                                                 {"L3", 0},  {"TC", 33}, {"SS", 33}};
  static const std::vector<SatColumn> galileo = {{"#", 26}, {"EL", 36}, {"AZ", 36}, {"CA", 28}, {"P1", 0},
                                                 {"P2", 0}, {"L2", 0},  {"L5", 28}, {"TC", 34}, {"SS", 34}};
  switch (table) {
    case kGps:
      return gps;
    case kGlonass:
      return glonass;
    default:
      return galileo;  // SBAS, BeiDou and QZSS have the same columns
  }
}

bool SatelliteTables::handle(const std::string& message, float clockDrift) {
  const std::string id = message.substr(0, 2);
  if (id != "NN" && id != "DC" && columnOf(id) < 0) return false;
  const auto* data = reinterpret_cast<const std::uint8_t*>(message.data());
  if (id == "SS") {
    if (const auto s = engine::zrx::readSatelliteStatus(data, message.size()))
      for (std::size_t i = 0; i < s->status.size() && i < m_Entries.size(); ++i)
        if (m_Entries[i].table >= 0)
          cell(m_Entries[i], columnOf(id) + shift(m_Entries[i])) = DisplayFormat::navStatusCell(s->status[i]);
    return true;
  }
  const auto values = engine::zrx::readSatelliteArray(data, message.size());
  if (!values) return true;
  if (id == "SI") layoutFrom(*values);
  for (std::size_t i = 0; i < values->size() && i < m_Entries.size(); ++i)
    if (m_Entries[i].table >= 0) fillCell(id, m_Entries[i], (*values)[i], clockDrift);
  return true;
}

void SatelliteTables::layoutFrom(const std::vector<Value>& indices) {
  m_Seen = true;
  m_Entries.assign(indices.size(), Entry{});
  int used[kSatTables] = {};
  for (std::size_t i = 0; i < indices.size(); ++i) {
    const auto sat = indices[i] ? engine::zrx::satelliteOfIndex(*indices[i]) : std::nullopt;
    if (!sat) continue;
    Entry& e = m_Entries[i];
    e.table = tableOf(sat->system);
    e.row = used[e.table]++;
    e.number = sat->number;
    auto& rows = m_Rows[static_cast<std::size_t>(e.table)];
    if (rows.size() <= static_cast<std::size_t>(e.row)) rows.emplace_back(satColumns(e.table).size());
  }
  for (int t = 0; t < kSatTables; ++t)
    m_Rows[static_cast<std::size_t>(t)].resize(static_cast<std::size_t>(used[t]));
}

std::string& SatelliteTables::cell(const Entry& e, int column) {
  return m_Rows[static_cast<std::size_t>(e.table)][static_cast<std::size_t>(e.row)]
               [static_cast<std::size_t>(column)];
}

void SatelliteTables::fillCell(const std::string& id, const Entry& e, Value value, float clockDrift) {
  using namespace DisplayFormat;
  if (id == "NN") {
    if (e.table != kGlonass) return;
    std::string text = byteCell(value);
    if (value && (*value < 1 || *value > 24 || !m_GlonassAlmanac[*value - 1])) text += "*";
    cell(e, 0) = text;
  } else if (id == "DC") {
    dopplerMark(e, value, clockDrift);
  } else if (id == "SI") {
    cell(e, shift(e)) = satelliteCell(e);
  } else {
    const int column = columnOf(id) + shift(e);
    if (id == "EL")
      cell(e, column) = elevationCell(value);
    else if (id == "AZ")
      cell(e, column) = azimuthCell(value);
    else if (id == "TC")
      cell(e, column) = lockTimeCell(value);
    else
      cell(e, column) = byteCell(value);
  }
}

void SatelliteTables::dopplerMark(const Entry& e, Value doppler, float clockDrift) {
  std::string& el = cell(e, 1 + shift(e));
  if (!doppler) {
    el += "  ";
    return;
  }
  const double f = e.table == kGlonass ? 1602000000.0 + e.number * 562500.0 : 1.57542e9;
  const double rate = -(*doppler * 0.0001 + f * static_cast<double>(clockDrift));
  if (!el.empty() && (el.back() == '+' || el.back() == '-')) return;
  el += std::fabs(rate) < 1 ? "^" : rate < 0 ? "--" : "+";
}

std::string SatelliteTables::satelliteCell(const Entry& e) const {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", e.number);
  if (e.table == kGps && !m_GpsAlmanac[e.number - 1]) return std::string(buf) + "*";
  return buf;
}

void SatelliteTables::setAlmanac(bool glonass, int number) {
  if (glonass && number >= 1 && number <= 24) m_GlonassAlmanac[number - 1] = true;
  if (!glonass && number >= 1 && number <= 37) m_GpsAlmanac[number - 1] = true;
}

void SatelliteTables::clear() {
  *this = SatelliteTables{};
}

std::string SatelliteTables::countsText() const {
  const auto count = [this](int table) { return static_cast<int>(rows(table).size()); };
  return DisplayFormat::satelliteCounts(count(kGps), count(kGlonass), count(kGalileo), count(kSbas),
                                        count(kBeidou), count(kQzss));
}

int SatelliteTables::compare(int table, int column, int direction, const Row& a, const Row& b) {
  const auto at = [column](const Row& r) -> const std::string& {
    static const std::string empty;
    return column >= 0 && static_cast<std::size_t>(column) < r.size() ? r[static_cast<std::size_t>(column)]
                                                                      : empty;
  };
  if (numericColumn(table, column)) {
    const long first = std::strtol(at(a).c_str(), nullptr, 10),
               second = std::strtol(at(b).c_str(), nullptr, 10);
    return direction * static_cast<int>(second - first);
  }
  return direction * strcasecmp(at(b).c_str(), at(a).c_str());
}
