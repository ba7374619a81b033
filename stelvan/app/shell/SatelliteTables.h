#pragma once
// The four satellite tables of the main view as text rows, filled from the per-satellite ZRX
// messages of one round. Plain data; the session thread fills it, the view shows a copy.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class ZrxMessage;

enum SatTable { kGps = 0, kGlonass = 1, kGalileo = 2, kSbas = 3, kSatTables = 4 };

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
  // "TC", "SS", "DC"); `clockDrift` is the latest "DO" value. False for any other id.
  bool handle(const ZrxMessage& m, float clockDrift);
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
    int channel = 0;  // GLONASS frequency channel
  };
  void layoutFrom(const ZrxMessage& m, std::size_t count);
  void fillCell(const ZrxMessage& m, const Entry& e, std::size_t i, float clockDrift);
  std::string& cell(const Entry& e, int column);

  std::array<std::vector<Row>, kSatTables> m_Rows;
  std::vector<Entry> m_Entries;  // in "SI" order
  bool m_GpsAlmanac[37] = {};
  bool m_GlonassAlmanac[24] = {};
  bool m_Seen = false;
};
