#include "DatumParams.h"

#include <cctype>
#include <cstdio>

#include "ScriptText.h"

namespace DatumParams {

namespace {
std::string body(const std::string& reply) {
  return reply.starts_with("RE") && reply.size() >= 5 ? ScriptText::trim(reply.substr(5)) : std::string();
}

std::string joined(const std::array<std::string, 7>& values) {
  std::string out;
  for (std::size_t k = 0; k < values.size(); ++k) out += (k ? "," : "") + ScriptText::trim(values[k]);
  return out;
}
}  // namespace

bool read(ICommandSender& sender, Datum& out) {
  std::string reply;
  if (!sender.SendCommand("print,/par/pos/datum/cur", 0, reply)) return false;
  out = Datum{};
  out.current = body(reply);
  for (char& c : out.current) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  char f[12][64] = {};
  int reference = 0;
  if (out.current == "USER") {
    if (!sender.SendCommand("print,/par/pos/datum/USER", 0, reply)) return true;
    const std::string text = body(reply);
    // "{{ellipsoid,axis,inverse flattening},{name,reference,dX,dY,dZ,rX,rY,rZ,scale}}"
    if (!text.starts_with("{{") ||
        std::sscanf(
            text.c_str() + 2,
            "%63[^,],%63[^,],%63[^}]},{%63[^,],%d,%63[^,],%63[^,],%63[^,],%63[^,],%63[^,],%63[^,],%63[^}]",
            f[0], f[1], f[2], f[3], &reference, f[5], f[6], f[7], f[8], f[9], f[10], f[11]) != 12)
      return true;
    out.ellipsoid = f[0], out.axis = f[1], out.inverseFlat = f[2], out.name = f[3];
    for (std::size_t k = 0; k < 7; ++k) out.shift[k] = f[5 + k];
  } else if (out.current == "P90") {
    if (!sender.SendCommand("print,/par/pos/datum/P90/par", 0, reply)) return true;
    const std::string text = body(reply);
    if (std::sscanf(text.c_str(), "{%63[^,],%d,%63[^,],%63[^,],%63[^,],%63[^,],%63[^,],%63[^,],%63[^}]", f[3],
                    &reference, f[5], f[6], f[7], f[8], f[9], f[10], f[11]) != 9)
      return true;
    out.name = f[3];
    for (std::size_t k = 0; k < 7; ++k) out.shift[k] = f[5 + k];
  }
  out.reference = reference;
  return true;
}

std::string setCommand(const Datum& d) {
  if (d.name == "USER")
    return "%%set,/par/pos/datum/USER,{{U-," + ScriptText::trim(d.axis) + "," +
           ScriptText::trim(d.inverseFlat) + "},{USER," + std::to_string(d.reference) + "," +
           joined(d.shift) + "}}";
  if (d.name == "P90") return "%%set,/par/pos/datum/P90/par,{P90,0," + joined(d.shift) + "}";
  return {};
}

std::string apply(ICommandSender& sender, const Datum& d) {
  const std::string command = setCommand(d);
  std::string reply;
  if (command.empty() || sender.SendCommand(command, 0, reply)) return {};
  return "Can't set " + d.name + " datum's parameters";
}

}  // namespace DatumParams
