#pragma once
// The message vocabulary: the text resource (type "TEXTFILE", id 211) that
// lists the messages of each format for display and selection. Lines are
// separated by CR LF; a line holding only "zrx", "cmr", "nmea" or "rtcm"
// opens that format's section, every other line is a name, one space and a
// description. Read-only, callable from any thread.
#include <string>
#include <string_view>
#include <vector>

namespace engine {

constexpr std::string_view kTextResourceType = "TEXTFILE";
constexpr int kVocabularyResourceId = 211;

std::string_view messageVocabularyText();
// The compiled-in text resource of that type and id; empty when there is none.
std::string_view textResource(std::string_view type, int id);

struct VocabularyEntry {
  std::string name, description;
};
// The entries of one section ("zrx", "cmr", "nmea", "rtcm"), in resource order.
std::vector<VocabularyEntry> vocabularySection(std::string_view format);

}  // namespace engine
