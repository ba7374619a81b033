#pragma once
// What the connection thread does with each server packet kind, the event
// codes it raises for the system-message callback, and the texts it logs or
// sets as replies. Constants only; any thread.
#include <cstdint>
#include <string_view>

namespace ServerLink {

// Server packet kinds (the high 4 bits of the packet type).
enum PacketKind : unsigned {
  kKindReply = 0,
  kKindZrxData = 1,   // attach slot 0
  kKindCmrData = 2,   // attach slot 1
  kKindNmeaData = 3,  // attach slot 2
  kKindRtcmData = 4,  // attach slot 3
  kKindData5 = 5,     // attach slot 4: no such slot, so the data has no consumer
  kKindServerLog = 6,
  kKindEvent7 = 7,
  kKindTransfer = 8,
  kKindEvent9 = 9,
  kKindEvent10 = 10,
  kKindSlot0Data = 11,
  kKindEvent12 = 12,
  kKindEvent13 = 13,
  kKindUnknown = 14,
  kKindServerEnd = 15,
};

// Event codes handed to CreateException (a signed byte).
enum EventCode : std::int8_t {
  kEventNone = 0,
  kEventServerEnd = -1,  // kind 15: the server ended the connection
  kEventKind10 = -2,
  kEventKind7 = -4,           // from the local server: its receiver link was lost (the text says why)
  kEventServerTransfer = -5,  // kind 8 with no open receiver (a server message transfer)
  kEventKind9 = -6,
  kEventKind12 = -8,
  kEventConnectionLost = -9,  // a read failed while a reply was awaited or a receiver attached
  kEventKind13 = -10,
};

enum class Route {
  Reply,      // complete the awaited reply (when the id matches)
  Data,       // queue for attachSlot
  ServerLog,  // log as user name + " < " + text when logging
  Transfer,   // CReceiver::Transfer, or the server transfer + kEventServerTransfer
  Event,      // CreateException(text, event)
  End,        // terminate, clean up the socket, kEventServerEnd
  Unknown,    // log kUnknownType + text
};

struct Dispatch {
  Route route;
  std::int8_t event = kEventNone;
  std::uint8_t attachSlot = 0;
};

constexpr Dispatch dispatchOf(unsigned kind) {
  switch (kind & 0xFu) {
    case kKindReply:
      return {Route::Reply};
    case kKindZrxData:
    case kKindCmrData:
    case kKindNmeaData:
    case kKindRtcmData:
    case kKindData5:
      return {Route::Data, kEventNone, static_cast<std::uint8_t>(kind - 1)};
    case kKindSlot0Data:
      return {Route::Data, kEventNone, 0};
    case kKindServerLog:
      return {Route::ServerLog};
    case kKindTransfer:
      return {Route::Transfer, kEventServerTransfer};
    case kKindEvent7:
      return {Route::Event, kEventKind7};
    case kKindEvent9:
      return {Route::Event, kEventKind9};
    case kKindEvent10:
      return {Route::Event, kEventKind10};
    case kKindEvent12:
      return {Route::Event, kEventKind12};
    case kKindEvent13:
      return {Route::Event, kEventKind13};
    case kKindServerEnd:
      return {Route::End, kEventServerEnd};
    default:
      return {Route::Unknown};
  }
}

// Attach slots that exist: 0 ZRX, 1 CMR, 2 NMEA, 3 RTCM.
constexpr unsigned kAttachSlots = 4;

constexpr std::string_view kReceiverDontReply = "ERDLL:Receiver don't reply";
constexpr std::string_view kBadClientPath = "ERDLL:Bad work client path! < ";
constexpr std::string_view kUnknownType = "DLL:Unknown type message - ";
constexpr std::string_view kCantEncrypt = "ERDLL:Can't encrypt!";
constexpr std::string_view kNoConnection = "ERDLL: No connection to server!";
// Our own refusals: a request made while this thread waits for one of its own (from a
// window handler run by the pump), one made inside the system-message callback, and one that
// found the connection busy for longer than any request lasts.
constexpr std::string_view kRequestInProgress = "ERDLL:Request in progress on this thread!";
constexpr std::string_view kRequestFromCallback = "ERDLL:No request from SysMsgCallback!";
constexpr std::string_view kConnectionBusy = "ERDLL:Connection busy!";
constexpr std::string_view kConnectionThreadStarted = "/// Connection thread started ///";
constexpr std::string_view kConnectionThreadTerminated = "/// Connection thread terminated ///";
constexpr std::string_view kMessageThreadStarted = "/// Message thread started ///";
constexpr std::string_view kMessageThreadTerminated = "/// Message thread terminated ///";

// Connection thread timing.
constexpr unsigned kLocalDataWaitMs = 2000;  // local: wait for data-ready per round
constexpr unsigned kMessageWaitMs = 3999;    // message thread: wake-up wait per round
constexpr unsigned kReplySliceMs = 400;      // SendData: reply wait slice between pumps
constexpr unsigned kRemoteServerPort = 8000;

}  // namespace ServerLink
