#pragma once
// The satellite tables of the main view as text rows, one per system, filled from the
// per-satellite ZRX messages of one round. Plain data; the session thread fills it, the view
// shows a copy.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum SatTable { kGps = 0, kGlonass = 1, kGalileo = 2, kSbas = 3, kBeidou = 4, kQzss = 5, kSatTables = 6 };

struct SatColumn {
  const char* header;
  int width;  // 0 hides the column
};
// Headers and starting widths of each table's columns.
const std::vector<SatColumn>& satColumns(int table);

class SatelliteTables {
 public:
  using Row = std::vector<std::string>;

  // Handles one per-satellite message ("SI", "NN", "EL", "AZ", "EC", "E1", "E2", "E3", "E5",
  // "TC", "SS", "DC": id, length digits, body); `clockDrift` is the latest "DO" value. False for
  // any other id.
  bool handle(const std::string& message, float clockDrift);
  void setAlmanac(bool glonass, int number);  // "GA" PRN 1..37, "NA" slot 1..24
  void clear();

  const std::vector<Row>& rows(int table) const { return m_Rows[static_cast<std::size_t>(table)]; }
  std::string countsText() const;
  bool satellitesSeen() const { return m_Seen; }
  void clearSeen() { m_Seen = false; }

  // Sorting: direction * (second - first) on the numeric columns (EL, AZ, TC), a case-blind text
  // comparison of second against first on the others; negative puts `a` first.
  static int compare(int table, int column, int direction, const Row& a, const Row& b);

 private:
  struct Entry {
    int table = -1;
    int row = 0;
    int number = 0;  // PRN; GLONASS frequency channel
  };
  using Value = std::optional<std::int32_t>;
  void layoutFrom(const std::vector<Value>& indices);
  void fillCell(const std::string& id, const Entry& e, Value value, float clockDrift);
  void dopplerMark(const Entry& e, Value doppler, float clockDrift);
  std::string satelliteCell(const Entry& e) const;
  std::string& cell(const Entry& e, int column);
  // GLONASS rows have the frequency channel before the other columns.
  static int shift(const Entry& e) { return e.table == kGlonass ? 1 : 0; }

  std::array<std::vector<Row>, kSatTables> m_Rows;
  std::vector<Entry> m_Entries;  // in "SI" order
  bool m_GpsAlmanac[37] = {};
  bool m_GlonassAlmanac[24] = {};
  bool m_Seen = false;
};
