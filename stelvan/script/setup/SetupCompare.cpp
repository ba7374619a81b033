#include "SetupCompare.h"

namespace SetupCompare {

std::vector<SetupDifference> differences(const std::vector<const CPageModel*>& pages,
                                         const std::map<std::string, std::string>& saved) {
  std::vector<SetupDifference> out;
  for (std::size_t p = 0; p < pages.size(); ++p) {
    const CPageModel& page = *pages[p];
    for (std::size_t i = 0; i < page.size(); ++i) {
      const ParamSpec& s = page.spec(i);
      if (!page.at(i).enabled || s.kind == ParamKind::ReadOnly) continue;
      auto it = saved.find(s.savePath());
      if (it == saved.end() || it->second == page.scriptValue(i)) continue;
      out.push_back({p, i, page.name(), s.label.empty() ? s.path : s.label, page.scriptValue(i), it->second});
    }
  }
  return out;
}

void take(const std::vector<CPageModel*>& pages, const std::vector<SetupDifference>& chosen) {
  for (const SetupDifference& d : chosen) pages[d.page]->setFromScript(d.index, d.scriptValue);
}

}  // namespace SetupCompare
