// Attached data: GPSDATA records and a DataCallback fed from the simulator's streams.
#include <atomic>
#include <mutex>

#include "SessionFixture.h"
#include "gridlink/Framing.h"
#include "gridlink/platform/Event.h"
#include "session/ConnectionState.h"

namespace sessiontest {
namespace {

std::uint32_t quietSysMsg(void*) {
  return 0;
}

bool checksumOk(const std::vector<unsigned char>& m) {
  return m.size() > 5 && Zrx::checksum8(m.data(), m.size() - 1) == m.back();
}

struct CallbackLog {
  std::mutex lock;
  std::vector<std::string> ids;
  Platform::Event got{Platform::EventReset::Auto};
};
CallbackLog* g_Log = nullptr;

void onData(CReceiver* r) {
  std::lock_guard l(g_Log->lock);
  g_Log->ids.emplace_back(reinterpret_cast<const char*>(r->getMsgBuf(0)), 2);
  g_Log->got.Set();
}

TEST_F(SessionTest, AttachFillsRecordsAndSetsTheirEvents) {
  startSim(simOptions(files));
  openAll(quietSysMsg);
  Platform::Event pvEvent, dpEvent;
  std::vector<GPSDATA> records(2);
  records[0].id = Zrx::msgcode('P', 'V');
  records[0].event = &pvEvent;
  records[1].id = Zrx::msgcode('D', 'P');
  records[1].event = &dpEvent;
  ASSERT_EQ(rcv->Attach(0, nullptr, "PV:0.2,DP:0.2", &records), 1) << rcv->GetReplyString();
  ASSERT_EQ(pvEvent.Wait(10000), Platform::WaitResult::Signalled);
  ASSERT_EQ(dpEvent.Wait(10000), Platform::WaitResult::Signalled);
  {
    Platform::CriticalSectionLock lock(ConnectionAccess::state(conn).dataLock);
    for (const GPSDATA& g : records) {
      ASSERT_FALSE(g.data.empty());
      EXPECT_EQ(Zrx::msgcode(static_cast<char>(g.data[0]), static_cast<char>(g.data[1])), g.id);
      EXPECT_TRUE(checksumOk(g.data));
      EXPECT_GE(g.maxLength, g.data.size());
    }
  }
  // Records cannot be detached (there is no callback in the slot); Close ends them.
  EXPECT_EQ(rcv->Detach(0), 0);
  EXPECT_EQ(rcv->GetReplyString(), "ERDLL:Can't be run Detach");
  EXPECT_EQ(rcv->Close(false), 1);
  EXPECT_GT(rcv->GetLenghReceive(), 0);
}

TEST_F(SessionTest, AttachWithCallbackThenDetach) {
  startSim(simOptions(files));
  openAll(quietSysMsg);
  CallbackLog log;
  g_Log = &log;
  EXPECT_EQ(rcv->Attach(4, onData, "PV", nullptr), 0);
  EXPECT_EQ(rcv->GetReplyString(), "ERDLL:Can't be run Attach");
  ASSERT_EQ(rcv->Attach(0, onData, "PV:0.2", nullptr), 1) << rcv->GetReplyString();
  EXPECT_EQ(rcv->Attach(0, onData, "DP", nullptr), 0);  // the slot is taken
  for (int i = 0; i < 3; ++i) ASSERT_EQ(log.got.Wait(10000), Platform::WaitResult::Signalled);
  EXPECT_EQ(rcv->Detach(0), 1) << rcv->GetReplyString();
  EXPECT_EQ(rcv->Detach(0), 0);
  // Commands still work after the outputs stopped.
  EXPECT_EQ(rcv->SendCommand("%Loop%"), 1);
  EXPECT_EQ(rcv->Close(false), 1);
  std::lock_guard l(log.lock);
  for (const std::string& id : log.ids) EXPECT_EQ(id, "PV");
  g_Log = nullptr;
}

}  // namespace
}  // namespace sessiontest
