#pragma once
// Records shared between Gridlink and its callers.
#include <cstdint>
#include <vector>

#include "gridlink/Export.h"

namespace Platform {
class Event;
}

// One attached receiver message id and its latest message. Caller-owned; must stay valid
// (and its vector unchanged in size) while attached. Written by the connection's message
// thread under the data lock: read it with CReceiver::ReadRecord (a copy) after its event is
// set, never in place while attached.
struct GPSDATA {
  std::uint16_t id = 0;             // the two id characters, the first in the high byte
  std::vector<unsigned char> data;  // the whole last message: id, length, body, checksum
  std::uint16_t maxLength = 0;      // 0 after Attach; a longer message sets it to its length + 8
  // Set after every update (the caller's event, never deleted or replaced by Gridlink;
  // it stands where a window-system event handle stood).
  Platform::Event* event = nullptr;
  bool noCheck = false;  // false: a message whose checksum fails is dropped
};

// Download status, filled by CReceiver::GetDownloadStatus.
struct DOWNLOADINFO {
  std::int32_t status = 1;  // 0 in progress, 1 finished or idle, 2 failed, 3 a "TT" report
  std::int32_t LN = 0;
  std::int32_t BL = 0;
  std::int32_t bytes = 0;  // payload bytes written to the local file in this transfer
};

// One message stored on a remote server (GetMsgList allocates an array; the caller frees it
// with delete[]).
struct REMOTE_MSG {
  char name[1024];
  char dateTime[32];
  char size[16];
  char fromUser[64];
  char subject[1024];
  std::uint32_t timeHigh;
  std::uint32_t timeLow;
};
