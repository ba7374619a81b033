#pragma once
// The "Datum Parameters" of the Positioning page: the current datum and the parameters of the
// two datums a user may define (USER: ellipsoid and transformation; P90: transformation).
#include <array>
#include <string>

#include "ICommandSender.h"

namespace DatumParams {

struct Datum {
  std::string current;                       // "print,/par/pos/datum/cur"
  std::string ellipsoid, axis, inverseFlat;  // USER only
  std::string name;                          // the datum the values belong to
  int reference = 0;
  std::array<std::string, 7> shift;  // d X, d Y, d Z (m), three rotations (arc s), scale
  bool editable() const { return name == "USER" || name == "P90"; }
  bool hasEllipsoid() const { return name == "USER"; }
};

// Reads the current datum and, for USER or P90, its parameters; false without an answer.
bool read(ICommandSender& sender, Datum& out);
// The set command for the datum's parameters; "" for a datum without them.
std::string setCommand(const Datum& d);
// "" when the receiver took the parameters, else the message shown.
std::string apply(ICommandSender& sender, const Datum& d);

}  // namespace DatumParams
