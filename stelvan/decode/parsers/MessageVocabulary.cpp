#include "MessageVocabulary.h"

namespace engine {

std::string_view textResource(std::string_view type, int id) {
  if (type == kTextResourceType && id == kVocabularyResourceId) return messageVocabularyText();
  return {};
}

namespace {
bool isSectionKeyword(std::string_view line) {
  return line == "zrx" || line == "cmr" || line == "nmea" || line == "rtcm";
}
}  // namespace

std::vector<VocabularyEntry> vocabularySection(std::string_view format) {
  std::vector<VocabularyEntry> out;
  const std::string_view text = messageVocabularyText();
  bool inSection = false;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = text.find("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 2;
    if (isSectionKeyword(line)) {
      inSection = line == format;
      continue;
    }
    if (!inSection || line.empty()) continue;
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos)
      out.push_back({std::string(line), {}});
    else
      out.push_back({std::string(line.substr(0, space)), std::string(line.substr(space + 1))});
  }
  return out;
}

}  // namespace engine
