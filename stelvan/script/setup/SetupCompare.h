#pragma once
// Compares a receiver's pages with a saved setup script and takes the chosen script values
// over into the pages (sent later by the pages' own apply).
#include <map>
#include <string>
#include <vector>

#include "CPageModel.h"

struct SetupDifference {
  std::size_t page = 0, index = 0;  // page in tab order, parameter within the page
  std::string pageName, label, receiverValue, scriptValue;
};

namespace SetupCompare {
// Every settable parameter whose saved value differs from the page's value.
std::vector<SetupDifference> differences(const std::vector<const CPageModel*>& pages,
                                         const std::map<std::string, std::string>& saved);
// Puts the script value of each difference into its page (the page then reports it changed).
void take(const std::vector<CPageModel*>& pages, const std::vector<SetupDifference>& chosen);

inline std::vector<SetupDifference> differences(const std::vector<CPageModel>& pages,
                                                const std::map<std::string, std::string>& saved) {
  std::vector<const CPageModel*> p;
  for (const CPageModel& page : pages) p.push_back(&page);
  return differences(p, saved);
}
inline void take(std::vector<CPageModel>& pages, const std::vector<SetupDifference>& chosen) {
  std::vector<CPageModel*> p;
  for (CPageModel& page : pages) p.push_back(&page);
  take(p, chosen);
}
}  // namespace SetupCompare
