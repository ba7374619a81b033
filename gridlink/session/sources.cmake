list(APPEND GRIDLINK_SOURCES
  session/RequestPacket.cpp
  session/ServerPacket.cpp
  session/PacketScrambler.cpp
  session/ServerPacketReader.cpp
  session/DataRing.cpp
)
