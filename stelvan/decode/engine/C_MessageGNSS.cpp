#include "C_MessageGNSS.h"

#include <algorithm>
#include <cstring>

namespace engine {

using G = std::lock_guard<std::recursive_mutex>;

C_MessageGNSS::C_MessageGNSS(IMsgSetting* status) {
  if (!status) return;
  m_valid = status->isValid();
  m_format = status->format();
  m_id = status->id();
  m_description = status->description();
  m_source = status->source();
  for (std::size_t i = 0; i < status->statusCount(); ++i) m_status.push_back(status->status(i));
}

C_MessageGNSS::~C_MessageGNSS() {
  if (m_markerObject) m_markerObject->Release();
}

bool C_MessageGNSS::isValid() {
  return m_valid;
}
std::string C_MessageGNSS::format() {
  return m_format;
}
std::string C_MessageGNSS::identifier() {
  return m_id;
}
std::string C_MessageGNSS::description() {
  return m_description;
}
std::string C_MessageGNSS::source() {
  return m_source;
}
std::size_t C_MessageGNSS::rawLength() {
  return m_raw.size();
}
const std::uint8_t* C_MessageGNSS::rawData() {
  return m_raw.data();
}
std::size_t C_MessageGNSS::subOffset() {
  return m_subOffset;
}
std::size_t C_MessageGNSS::subLength() {
  return m_subLength;
}
std::size_t C_MessageGNSS::markerCount() {
  return m_markers.size();
}

Marker C_MessageGNSS::markerAt(std::size_t i) {
  return i < m_markers.size() ? m_markers[i] : Marker{};
}

void C_MessageGNSS::addMarker(const Marker& m) {
  m_markers.push_back(m);
}

void C_MessageGNSS::appendRaw(std::vector<std::uint8_t>& out) {
  out.insert(out.end(), m_raw.begin(), m_raw.end());
}

std::size_t C_MessageGNSS::copyRaw(std::uint8_t* buffer, std::size_t capacity) {
  const std::size_t n = std::min(capacity, m_raw.size());
  if (buffer && n) std::memcpy(buffer, m_raw.data(), n);
  return buffer ? n : 0;
}

void C_MessageGNSS::setMarker(ITUnknown* object, std::int32_t value) {
  G g(m_cs);
  assignRef(m_markerObject, object);
  m_markerValue = value;
}

std::int32_t C_MessageGNSS::markerValue() {
  G g(m_cs);
  return m_markerValue;
}
ITUnknown* C_MessageGNSS::markerObject() {
  G g(m_cs);
  return m_markerObject;
}

void C_MessageGNSS::setRaw(const std::uint8_t* bytes, std::size_t n) {
  if (bytes)
    m_raw.assign(bytes, bytes + n);
  else
    m_raw.clear();
}

void C_MessageGNSS::setOffset(std::size_t offset, std::size_t length) {
  m_subOffset = offset;
  m_subLength = length;
}

std::uint8_t C_MessageGNSS::flag(int which) {
  G g(m_cs);
  return (which == 0 || which == 1) ? m_flags[which] : 0;
}

void C_MessageGNSS::setFlag(int which, std::uint8_t v) {
  G g(m_cs);
  if (which == 0 || which == 1) m_flags[which] = v;
}

std::uint64_t C_MessageGNSS::streamPosition() {
  return m_position;
}
void C_MessageGNSS::setStreamPosition(std::uint64_t pos) {
  m_position = pos;
}

const std::vector<std::int32_t>& C_MessageGNSS::statusCodes() const {
  return m_status;
}

}  // namespace engine
