#pragma once
// CLinkOwner: what a receiver link needs from the local server that created it. The local
// server implements it; the link holds a reference for its whole life, so the owner must
// outlive the link (delete the link first).
//
// Threads: the link's reader thread calls ServerLock, LookupMessage, DeliverPacket and
// RawDataCallback; the thread that opens the link calls DetectAbort. The owner must not hold
// ServerLock() while it waits for a reply of the link (SendCommand, RunScript): the reader
// needs that lock to frame the reply.
#include <cstddef>
#include <cstdint>
#include <string>

#include "gridlink/platform/CriticalSection.h"

// Types of local-server packets a link delivers (first digit: packet kind, other two: slot).
constexpr unsigned kLinkPacketFrame = 0x100;  // a receiver frame, whole

// Type of the packet that carries the data of a ">>" wrapper with this message number.
constexpr unsigned LinkWrapperPacketType(std::uint8_t streamKind, std::uint8_t messageNumber) {
  return (streamKind + 1u) * 256u + (messageNumber + 1u);
}

// How long the owner may keep a delivered packet before the link gives it up (and logs it).
constexpr std::uint32_t kLinkPacketTakeMs = 5000;

class CLinkOwner {
 public:
  using RawDataCallback = void (*)(char*, int);
  using DetectAbortCallback = bool (*)(void*);

  virtual ~CLinkOwner() = default;

  // The local server's lock; the reader holds it for a whole framing pass, packet
  // deliveries included. Re-entrant.
  virtual Platform::CriticalSection& ServerLock() = 0;

  // Message number of a ">>" wrapper (its sixth byte) -> the entry's stream kind (0 ZRX,
  // 1 CMR, 2 NMEA, 3 RTCM). False when the message table has no such entry.
  virtual bool LookupMessage(std::uint8_t messageNumber, std::uint8_t& streamKind) = 0;

  // Builds a local-server packet of this type around the payload (header "%04x%03x%02x%02x"
  // with the receiver index of the request being served, payload, zero byte) and hands it to
  // the connection thread. Blocks until that thread took it, at most kLinkPacketTakeMs.
  // False when it was not taken (the link logs the loss).
  virtual bool DeliverPacket(unsigned type, const void* payload, std::size_t count) = 0;

  // The raw-data callback installed for the command in progress, or null. While one is
  // installed the link hands every received chunk to it unframed.
  virtual RawDataCallback RawData() = 0;

  // The open-progress callback given to CConnection::Open, or null. The serial link calls it
  // with a pointer to {8, rate} (two 32-bit integers) before each rate it tries.
  virtual DetectAbortCallback DetectAbort() = 0;

  // The link has just been lost (the receiver went away, the port vanished); `why` is the
  // link's status text. Called once per link, from its reader or from the thread whose write
  // failed, with no lock of the link held.
  virtual void LinkLost(const std::string& why) { (void)why; }
};
