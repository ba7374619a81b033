#pragma once
// The transfer reports of the receiver's "WL" attachment ("IN:...", "INW:...", "RT:...", the
// closing "RE..."/"ER..." text), kept for a window that polls them on its timer. The reports
// arrive on Gridlink's message thread; one transfer window is open at a time (they are modal).
#include <string>

class CReceiver;

namespace Files {

class TransferReports {
 public:
  // Attaches "WL" with the collecting callback; false with the reply text in the receiver.
  static bool Attach(CReceiver* rcv);
  static void Detach(CReceiver* rcv);
  static void Clear();
  // The last closing report ("RE..."/"ER..."), empty while none came.
  static std::string Closing();
  // Blocks the upload has prepared so far (from "INW:" reports).
  static int UploadBlocks();
  // The last report of any kind.
  static std::string Last();
};

}  // namespace Files
