#pragma once
// Parser of CMR correction frames (STX, status, type, length, data,
// checksum, ETX), named by their CMR message type through the type map
// (default: types 3 to 7 are "GO"; 0x94 frames are "SSI"). Observables are
// not decoded. Runs under the parser's lock.
#include <map>
#include <string>

#include "../parser/CParserData.h"

namespace engine {

class C_ParserCMR : public CParserData {
 public:
  static constexpr int kLengthDiffers = 2;
  static constexpr int kBadEnd = 4;
  static constexpr int kBadChecksum = 5002;
  static constexpr int kBadLength = 5003;
  static constexpr int kUnknownId = 5004;

  C_ParserCMR();
  IParserData* clone() override;
  bool parse(IEx_DataCash* reader, IMsgSetting* status) override;
  void resetDefaults() override;
  // Frames are whole or refused, so there is no partial message to drop; the
  // type map stays (it is configuration, and every attempt needs it).
  void resetState() override {}
  bool mapMessageType(const std::string& key, const std::string& typeText, const std::string& id) override;
  IParserData* createInstance() override;
  Plausible plausibleTest() const override;
  PairTest secondThirdTest() const override;

  const std::map<std::string, std::string>& typeMap() const { return m_types; }

 private:
  std::map<std::string, std::string> m_types;  // CMR message type (decimal) -> identifier
};

}  // namespace engine
