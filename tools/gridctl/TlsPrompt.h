#pragma once
// gridctl's question when a TLS server shows a certificate that nothing vouches for: the
// fingerprint on standard error, "yes" on standard input accepts it.
#include "gridlink/CConnection.h"

namespace gridctl {

bool askTrust(const char* server, const char* fingerprint, void* param);

}  // namespace gridctl
