# Parser sources, relative to stelvan/decode/ (maintained by the parsers' author).
set(STELVAN_PARSER_SOURCES
  parsers/Crc24q.cpp
  parsers/Rtcm2Word.cpp
  parsers/Rtcm2Bits.cpp
  parsers/ZrxIdTable.cpp
  parsers/ZrxBodies.cpp
  parsers/MessageVocabulary.cpp
  parsers/MessageVocabularyText.cpp
  parsers/ReadSupport.cpp
  parsers/C_ParserZRX.cpp
  parsers/C_ParserNMEA.cpp
  parsers/C_ParserRTCM.cpp
  parsers/C_ParserRTCM_3.cpp
  parsers/C_ParserCMR.cpp)
