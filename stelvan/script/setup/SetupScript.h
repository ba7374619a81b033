#pragma once
// "Save setup to a script": the whole configuration as a script of the manual-mode language,
// and reading such a script back as path -> value for comparing.
#include <map>
#include <string>
#include <vector>

#include "CPageModel.h"

namespace SetupScript {

constexpr const char* kVersionText = "Version 2.1.12 ";
constexpr const char* kDateText = "(july 24, 2009)";

// Header, "@echo <page> parameters" and each page's lines, "@echo Done!" and the end line.
std::string compose(const std::vector<const CPageModel*>& pages, const std::string& model);
inline std::string compose(const std::vector<CPageModel>& pages, const std::string& model) {
  std::vector<const CPageModel*> p;
  for (const CPageModel& page : pages) p.push_back(&page);
  return compose(p, model);
}
// The "%path%set,path,value" lines of a script, later lines winning.
std::map<std::string, std::string> values(const std::string& scriptText);

}  // namespace SetupScript
