#include "session/MessageTable.h"

#include <bitset>
#include <mutex>

namespace LocalSrv {
namespace {

constexpr std::string_view kBuiltin[kStreamKinds] = {
    "RE217{ZF,MF,PM,EV,XA,XB,ZA,ZB,YA,YB,RT,RD,ST,LT,BP,TO,DO,OO,UO,NU,GT,GO,NT,NO,TT,PT,SI,NN,EL,"
    "AZ,SS,FC,RC,rc,cm,cf,PC,pc,CP,cp,DC,CC,cc,EC,CE,TC,R1,P1,1R,1P,r1,p1,1r,1p,D1,1d,C1,c1,E1,1E,"
    "F1,R2,P2,2R,2P,r2,p2,2r,2p,D2,2d,C2,c2,E2,2E,F2,ID,R3,P3,3R,3P,r3,p3,3r,3p,D3,3d,C3,c3,E3,3E,"
    "F3,3m,3f,R5,P5,5R,5P,r5,p5,5r,5p,D5,5d,C5,c5,E5,5E,F5,PV,PL,PF,rr,vr,Rm,PO,PG,VE,VG,DP,SG,BI,"
    "SE,SM,PS,GE,NE,GA,NA,WD,WO,WU,WE,WA,WS,GS,NS,ES,ED,EO,EN,EA,EU,rE,rM,rV,rT,TM,MP,TR,Rt,MS,DL,"
    "TX,SP,SV,RP,RK,BL,BB,AP,AB,re,ha,GD,LD,Ld,RM,RS,IO,NP,LH,EE,ET,gC,g1,g3,g2}",
    "RE00C{0,1,2,10,9}",
    "RE03F{GGA,GBS,GLL,GMP,GNS,GRS,GSA,GST,GSV,HDT,RMC,ROT,VTG,ZDA,P_ATT}",
    "RE03F{1,3,6,9,15,16,18,19,20,21,22,23,24,31,32,34,65,36,01,03,06,09}",
};
constexpr const char* kListCommand[kStreamKinds] = {"list,/msg/zrx", "list,/msg/cmr", "list,/msg/nmea",
                                                    "list,/msg/rtcm"};
constexpr const char* kPrefix[kStreamKinds] = {"zrx/", "cmr/", "nmea/", "rtcm/"};

// Shared by every local server of the process, as the receiver's own numbering is.
std::mutex g_MapLock;
std::bitset<256> g_StreamMap[kStreamKinds];

}  // namespace

void MessageTable::Clear() {
  m_ByName.clear();
  m_Entries.clear();
  add("WL", 0);
}

void MessageTable::add(std::string name, std::uint8_t kind) {
  const auto serial = static_cast<std::uint32_t>(m_Entries.size());
  m_ByName[{kind, name}] = m_Entries.size();
  m_Entries.push_back({serial, kind, std::move(name)});
  if (serial != 0 && serial < 256) {
    std::lock_guard lock(g_MapLock);
    g_StreamMap[kind].set(serial);
  }
}

std::size_t MessageTable::AddList(std::uint8_t kind, std::string_view reply) {
  if (kind >= kStreamKinds) return 0;
  if (m_Entries.empty()) Clear();
  if (reply.size() < 7) reply = kBuiltin[kind];
  // Names from position 6 (behind "RE", three digits and "{"); the closing "}" ends the last.
  std::string_view names = reply.substr(6);
  if (!names.empty()) names.remove_suffix(1);
  std::size_t count = 0;
  while (!names.empty()) {
    const std::size_t comma = names.find(',');
    const std::string_view name = names.substr(0, comma);
    if (name.empty()) break;  // an empty name ends the list, as a scan for "%[^,]" does
    add(std::string(name), kind);
    ++count;
    if (comma == std::string_view::npos) break;
    names.remove_prefix(comma + 1);
  }
  return count;
}

const MessageEntry* MessageTable::Find(std::uint8_t kind, std::string_view name) const {
  auto it = m_ByName.find({kind, std::string(name)});
  return it == m_ByName.end() ? nullptr : &m_Entries[it->second];
}

const MessageEntry* MessageTable::BySerial(std::uint32_t serial) const {
  return serial < m_Entries.size() ? &m_Entries[serial] : nullptr;
}

const char* MessageTable::ListCommand(std::uint8_t kind) {
  return kind < kStreamKinds ? kListCommand[kind] : "";
}
std::string_view MessageTable::BuiltinList(std::uint8_t kind) {
  return kind < kStreamKinds ? kBuiltin[kind] : std::string_view();
}
const char* MessageTable::Prefix(std::uint8_t kind) {
  return kind < kStreamKinds ? kPrefix[kind] : "";
}
bool MessageTable::InStreamMap(std::uint8_t kind, std::uint32_t serial) {
  if (kind >= kStreamKinds || serial >= 256) return false;
  std::lock_guard lock(g_MapLock);
  return g_StreamMap[kind].test(serial);
}

}  // namespace LocalSrv
