#pragma once
// Symbols marked GRIDLINK_API form the exported interface of libgridlink;
// everything else is hidden in the shared library (the static twin used by
// unit tests carries all of it).
#define GRIDLINK_API __attribute__((visibility("default")))
