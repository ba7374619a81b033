list(APPEND GRIDLINK_SOURCES
  settings/ProfileStore.cpp
  settings/CProfile.cpp
  settings/CLogFile.cpp
  settings/TrafficLog.cpp
)
