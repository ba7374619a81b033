#pragma once
// The main view's attach table: the receiver messages it shows, in the order their handlers run,
// and the latest message of each, filled by Gridlink's message thread and copied out by the
// session thread. Each row keeps only the newest message of its id.
#include <array>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "gridlink/platform/Event.h"
#include "session/CallbackRegistry.h"

class CReceiver;

namespace session {

class AttachTable {
 public:
  struct Row {
    const char* id;
    bool noCheck;  // taken without checksum verification
  };
  static const std::vector<Row>& rows();
  static const char* localList();   // the "Attach" list over the local server
  static const char* remoteList();  // over a remote server (no XB, E1, E2, E3, E5)

  // `roundEnd` is set whenever the epoch-end row ("||") receives a message.
  explicit AttachTable(Platform::Event& roundEnd);
  ~AttachTable();
  AttachTable(const AttachTable&) = delete;
  AttachTable& operator=(const AttachTable&) = delete;

  // Routes the data of the receiver's slot 0 (attached with CallbackRegistry::OnData) to this
  // table until unbind() (or destruction); once unbind returns no delivery runs any more.
  void bind(CReceiver* receiver);
  void unbind();
  // Stores one delivered message (any thread).
  void store(const unsigned char* bytes, std::size_t size);

  // Moves every fresh message into `out` (indexed like rows(), empty where none came) and
  // returns how many rows had one.
  int takeFresh(std::vector<std::string>& out);

 private:
  Platform::Event& m_RoundEnd;
  std::mutex m_Lock;
  std::vector<std::string> m_Latest;
  CallbackChannel<CallbackRegistry::DataKey, void(CReceiver*)>::Registration m_Binding;
};

}  // namespace session
