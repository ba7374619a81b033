#pragma once
// A caster's source table: its STR (stream), CAS (caster) and NET (network)
// records, each a line of ";"-separated fields, up to "ENDSOURCETABLE".
// Parsing is pure and never fails: lines it does not know are counted and
// skipped, missing fields read as empty.
#include <cstddef>
#include <string>
#include <vector>

namespace Ntrip {

struct StreamRecord {  // STR
  std::string mount, identifier, format, formatDetails;
  int carrier = 0;  // 0 none, 1 L1, 2 L1+L2
  std::string navSystem, network, country;
  double latitude = 0, longitude = 0;  // degrees
  bool hasPosition = false;
  bool needsGga = false;  // the "nmea" field: the caster wants the rover's position
  int solution = 0;       // 0 single base, 1 network
  std::string generator, compression;
  char authentication = 'N';  // N none, B basic, D digest
  bool fee = false;
  int bitrate = 0;
  std::string misc;
};

struct CasterRecord {  // CAS
  std::string host;
  int port = 0;
  std::string identifier, op, country;
  bool needsGga = false;
  double latitude = 0, longitude = 0;
  std::string fallbackHost;
  int fallbackPort = 0;
  std::string misc;
};

struct NetworkRecord {  // NET
  std::string identifier, op;
  char authentication = 'N';
  bool fee = false;
  std::string webNet, webStr, webReg, misc;
};

struct SourceTable {
  std::vector<StreamRecord> streams;
  std::vector<CasterRecord> casters;
  std::vector<NetworkRecord> networks;
  std::size_t skippedLines = 0;
  bool complete = false;  // "ENDSOURCETABLE" was seen

  static SourceTable Parse(const std::string& text);
  // The mount points, in table order, joined by ", " (for error texts).
  std::string MountList(std::size_t max = 20) const;
  const StreamRecord* Find(const std::string& mount) const;
};

// Great-circle distance in kilometres between two positions in degrees.
double DistanceKm(double lat1, double lon1, double lat2, double lon2);
// The streams ordered by distance from a position; those without one last.
std::vector<StreamRecord> SortedByDistance(const std::vector<StreamRecord>& streams, double lat, double lon);

}  // namespace Ntrip
