#pragma once
// One analysis over a byte source, as stelvan-decode runs it: accept-unknown
// on for every parser unless strict, the nesting limit of the receiver
// model (0), the input written in slices with back-pressure, then flush.
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "engine/C_DataAnalyser.h"

namespace decodecli {

struct RunOptions {
  bool strict = false;
  std::FILE* lines = nullptr;  // one line per message, or nullptr
};

struct RunResult {
  bool ok = false;      // false: read error
  bool drained = true;  // false: the analysis did not finish within its waits
  std::string error;
  std::uint64_t bytes = 0;
  std::uint64_t unknownBytes = 0;
  std::map<std::string, std::uint64_t> messages;  // "<FORMAT>:<ID>" -> count
  std::map<std::string, std::uint64_t> refused;   // "<FORMAT>:<reason>" -> refused frames
  std::uint64_t gaps = 0;                         // runs of unknown bytes between messages
};

RunResult runDecode(std::FILE* in, const RunOptions& opt);

// Writes everything from `in` into a started analysis (with back-pressure),
// flushes and waits for it; fills ok/error/drained/bytes/unknownBytes.
void feedAnalysis(std::FILE* in, engine::C_DataAnalyser* da, RunResult& r);
// The analysis stelvan-decode runs: accept-unknown unless strict, nesting 0.
engine::Ref<engine::C_DataAnalyser> makeAnalysis(engine::IEx_StorageMsg* storage, bool strict);
std::string statsJson(const RunResult& r);

}  // namespace decodecli
