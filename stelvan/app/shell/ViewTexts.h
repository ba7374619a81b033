#pragma once
// Everything the main view shows from one round of receiver messages: label texts and table
// rows. Built on the session thread, copied to the view on the GUI thread.
#include <array>
#include <string>
#include <vector>

#include "shell/SatelliteTables.h"

struct ViewTexts {
  std::string satCounts = "Satellites  0 : 0 : 0";
  std::string solution, rtcm, eventA, eventB;
  std::string geo = "Lon:\nLat:\nAlt:";
  std::string xyz = "X:\nY:\nZ:";
  std::string vel = "Vel:";
  std::string rmsPos = "RMS Pos:";
  std::string rmsVel = "RMS Vel:";
  std::string pdop = "PDOP:";
  std::string hdop = "HDOP:";
  std::string rcvTime = "Receiver time:";
  std::string rcvDate = "Receiver data:";
  std::string clockOffset = "Clock offset:";
  std::string oscOffset = "Osc. offset:";
  std::string trackTime = "Tracking time:";
  std::string targetLat = "Lat:";
  std::string targetLon = "Lon:";
  std::string targetOffsets = "ETT:\nNTT:\nDTT:\nCTT:";
  std::array<std::vector<SatelliteTables::Row>, kSatTables> tables;
  // The latest "PG" position (radians), for the target dialog.
  bool hasPosition = false;
  double lat = 0, lon = 0;
  double height = 0;  // metres
};
