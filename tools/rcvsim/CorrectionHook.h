#pragma once
// Where a serving session lets the corrections of port B change its solution.
#include "Receiver.h"
#include "SkyModel.h"

namespace rcvsim {

// The solution type with the corrections applied; the caller holds the receiver's lock.
int typeWithCorrections(Receiver& rcv, int alone);
// Puts the differential age and station into a solution that uses corrections.
void noteCorrections(Receiver& rcv, Solution& sol);

}  // namespace rcvsim
