#include <gtest/gtest.h>

#include <set>

#include "decode/parsers/MessageVocabulary.h"

using namespace engine;

TEST(MessageVocabulary, SectionsAndTellingRows) {
  struct Section {
    const char* format;
    std::size_t count;
    std::vector<std::string> first;
  } sections[] = {
      {"zrx", 112, {"ZF", "MF", "EV", "EE", "ET", "RD", "RT"}},
      {"cmr", 5, {"0", "1", "2", "9", "10"}},
      {"nmea", 10, {"GGA", "GLL", "GNS", "GRS", "GSA"}},
      {"rtcm", 15, {"1", "3", "6", "9", "15"}},
  };
  for (const auto& s : sections) {
    SCOPED_TRACE(s.format);
    const auto entries = vocabularySection(s.format);
    ASSERT_EQ(entries.size(), s.count);
    std::set<std::string> names;
    for (const auto& e : entries) {
      EXPECT_FALSE(e.description.empty()) << e.name;
      names.insert(e.name);
    }
    EXPECT_EQ(names.size(), s.count);  // no name twice
    for (std::size_t i = 0; i < s.first.size(); ++i) EXPECT_EQ(entries[i].name, s.first[i]);
  }
  const auto zrx = vocabularySection("zrx");
  EXPECT_EQ(zrx.back().name, "RP");
  const auto describe = [&](const char* format, const std::string& name) {
    for (const auto& e : vocabularySection(format))
      if (e.name == name) return e.description;
    return std::string();
  };
  EXPECT_EQ(describe("zrx", "EE"), "[||]Epoch End 3.2.2.4");
  EXPECT_EQ(describe("zrx", "SG"), "Position & Velocity RMS Errors (Horizontal and Vertical) 3.2.5.6");
  EXPECT_EQ(describe("zrx", "rM"), "Raw Measurements 3.2.4.2");
  EXPECT_EQ(describe("zrx", "rc"), "Relative Pseudo-ranges (C/A)");  // case tells names apart
  EXPECT_EQ(describe("cmr", "0"), "GPS observables 3.2.11.2");
  EXPECT_EQ(describe("rtcm", "1"), "Differential GPS corrections 3.2.10.2");
  EXPECT_TRUE(vocabularySection("ZRX").empty());
}

TEST(MessageVocabulary, ResourceTextUsesCrLf) {
  const auto text = textResource("TEXTFILE", 211);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.substr(0, 5), "zrx\r\n");
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
  EXPECT_TRUE(textResource("TEXTFILE", 212).empty());
  EXPECT_TRUE(textResource("RCDATA", 211).empty());
}
