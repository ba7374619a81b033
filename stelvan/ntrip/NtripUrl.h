#pragma once
// "ntrip://" or "ntrips://" (TLS) + [USER][:PASSWORD@] + HOST:PORT + "/" +
// MOUNT: a caster's mount point that a base station's stream is sent to. Pure.
#include <string>

#include "NtripRequest.h"

namespace Ntrip {

// Fills host, port, mount, user and password; the version is 2 when a user is
// given (POST with Basic authentication), else 1 (SOURCE with the password).
// The TLS trust settings already in `out` are kept. False with the reason in `error`.
bool ParsePushUrl(const std::string& url, CasterRequest& out, std::string& error);

}  // namespace Ntrip
