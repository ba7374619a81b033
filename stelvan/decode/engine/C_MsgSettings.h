#pragma once
// Message descriptions for IParserData::configure, filled by the owner
// before configuring (not locked: fill first, then share read-only).
#include <map>
#include <set>

#include "../interfaces/IMsgSettings.h"

namespace engine {

class C_MsgSettings : public IMsgSettings {
 public:
  void setEnabled(const std::string& format, bool on) {
    if (on)
      m_enabled.insert(format);
    else
      m_enabled.erase(format);
  }
  void add(const std::string& format, MsgDescription d) { m_items[format].push_back(std::move(d)); }

  bool isEnabled(const std::string& format) override { return m_enabled.count(format) != 0; }
  std::size_t descriptionCount(const std::string& format) override {
    auto it = m_items.find(format);
    return it == m_items.end() ? 0 : it->second.size();
  }
  const MsgDescription* description(const std::string& format, std::size_t i) override {
    auto it = m_items.find(format);
    if (it == m_items.end() || i >= it->second.size()) return nullptr;
    return &it->second[i];
  }

 private:
  std::set<std::string> m_enabled;
  std::map<std::string, std::vector<MsgDescription>> m_items;
};

}  // namespace engine
