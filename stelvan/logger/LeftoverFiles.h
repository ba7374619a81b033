#pragma once
// What earlier runs left in the log folder: the highest file index present, so that a new
// run never writes over an earlier one, and the temporary files of a run that was killed
// or lost its power, which are finished before a new run starts.
#include <cstdint>
#include <string>
#include <vector>

#include "logger/LogFileNamer.h"

namespace Gnss {

// The highest N of "PREFIX_N..." or "~PREFIX_N.tmp" in the namer's folder; 0 when none.
int HighestIndexPresent(const LogFileNamer& namer);
// `path` when no file has that name, else "BASE_2.EXT", "BASE_3.EXT", ... the first free one.
std::string FreeName(const std::string& path);
// "BASE.incomplete.EXT": the name of a file that lost data.
// `path`, or when it is `taken` (the run's previous file, whose close may still be under
// way) the first free "_2", "_3", ... beside it: a run never writes over its own file.
std::string NameApartFrom(const std::string& path, const std::string& taken);
std::string IncompleteName(const std::string& path);

struct Leftover {
  std::string tmp, final;
  std::uint64_t size = 0;
};
// Renames every "~PREFIX_...tmp" of the folder that no running logger holds open to its
// final name: the same base name (it carries the file's first epoch or its index) with the
// namer's suffix, never over an existing file. Empty ones are removed. Failures go to
// `errors`.
std::vector<Leftover> RecoverLeftovers(const LogFileNamer& namer, std::vector<std::string>& errors);

}  // namespace Gnss
