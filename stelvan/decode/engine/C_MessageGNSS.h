#pragma once
// A recognised message (see IMessageGNSS). Its content (raw bytes, names,
// sub-range, position, markers) is written by the analysis worker before the
// message is stored and only read afterwards, so reading it takes no lock;
// what users set later (marker object and value, flags) is guarded by the
// message's own lock.
#include <mutex>

#include "../interfaces/IMessageGNSS.h"
#include "../interfaces/IMsgSetting.h"

namespace engine {

class C_MessageGNSS : public IMessageGNSS {
 public:
  C_MessageGNSS() = default;
  explicit C_MessageGNSS(IMsgSetting* status);
  ~C_MessageGNSS() override;

  void lock() override { m_cs.lock(); }
  void unlock() override { m_cs.unlock(); }
  bool isValid() override;
  std::string format() override;
  std::string identifier() override;
  std::string description() override;
  std::string source() override;
  std::size_t rawLength() override;
  const std::uint8_t* rawData() override;
  std::size_t subOffset() override;
  std::size_t subLength() override;
  std::size_t markerCount() override;
  Marker markerAt(std::size_t i) override;
  void addMarker(const Marker& m) override;
  void appendRaw(std::vector<std::uint8_t>& out) override;
  std::size_t copyRaw(std::uint8_t* buffer, std::size_t capacity) override;
  void setMarker(ITUnknown* object, std::int32_t value) override;
  std::int32_t markerValue() override;
  void setRaw(const std::uint8_t* bytes, std::size_t n) override;
  void setOffset(std::size_t offset, std::size_t length) override;
  std::uint8_t flag(int which) override;
  void setFlag(int which, std::uint8_t v) override;
  ITUnknown* markerObject() override;
  std::uint64_t streamPosition() override;
  void setStreamPosition(std::uint64_t pos) override;

  // The status codes the parser left in the record (copied at creation).
  const std::vector<std::int32_t>& statusCodes() const;

 private:
  std::recursive_mutex m_cs;
  std::vector<std::uint8_t> m_raw;
  std::size_t m_subOffset = 0, m_subLength = 0;
  std::string m_format, m_id, m_description, m_source;
  bool m_valid = true;
  std::vector<Marker> m_markers;
  ITUnknown* m_markerObject = nullptr;
  std::int32_t m_markerValue = 0;
  std::uint8_t m_flags[2] = {0, 0};
  std::uint64_t m_position = 0;
  std::vector<std::int32_t> m_status;
};

}  // namespace engine
