#include "CorrectionHook.h"

namespace rcvsim {

int typeWithCorrections(Receiver& rcv, int alone) {
  std::string pf, pd;
  rcv.params().get("/par/pos/mode/pf", pf);
  rcv.params().get("/par/pos/mode/pd", pd);
  return rcv.corrections().solutionType(alone, pf != "off", pd != "off", Receiver::steadyMs());
}

void noteCorrections(Receiver& rcv, Solution& sol) {
  if (sol.type < 2) return;
  double age = 0;
  int station = 0;
  if (rcv.corrections().differential(Receiver::steadyMs(), age, station)) {
    sol.diffAge = age;
    sol.station = station;
  }
}

}  // namespace rcvsim
