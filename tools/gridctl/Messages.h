#pragma once
// gridctl's server-message commands on an opened connection; the exit status.
#include "Options.h"

class CConnection;

namespace gridctl {

int runMessages(CConnection& conn, const Options& o);

}  // namespace gridctl
