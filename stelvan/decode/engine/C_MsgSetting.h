#pragma once
// The status record of the message being recognised (see IMsgSetting).
#include <vector>

#include "../interfaces/IMsgSetting.h"
#include "../parser/NoCoverage.h"

namespace engine {

class C_MsgSetting : public IMsgSetting {
 public:
  // Runs before every parse attempt, and most attempts set nothing: only a
  // record something was set in is cleared.
  STELVAN_NO_COVERAGE void reset() override {
    m_valid = true;
    if (!m_set) return;
    m_set = false;
    m_source.clear();
    m_format.clear();
    m_id.clear();
    m_description.clear();
    m_status.clear();
  }
  void setValid(bool v) override { m_valid = v; }
  bool isValid() override { return m_valid; }
  void setSource(const std::string& s) override {
    m_set = true;
    m_source = s;
  }
  const std::string& source() override { return m_source; }
  void setFormat(const std::string& s) override {
    m_set = true;
    m_format = s;
  }
  const std::string& format() override { return m_format; }
  void setId(const std::string& s) override {
    m_set = true;
    m_id = s;
  }
  const std::string& id() override { return m_id; }
  void setDescription(const std::string& s) override {
    m_set = true;
    m_description = s;
  }
  const std::string& description() override { return m_description; }
  void addStatus(std::int32_t code) override {
    m_set = true;
    m_status.push_back(code);
  }
  std::size_t statusCount() override { return m_status.size(); }
  std::int32_t status(std::size_t i) override { return i < m_status.size() ? m_status[i] : 0; }

 private:
  bool m_valid = true;
  bool m_set = false;  // a text or status was set since the last reset
  std::string m_source, m_format, m_id, m_description;
  std::vector<std::int32_t> m_status;
};

}  // namespace engine
