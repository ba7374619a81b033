// The serial link's rate search, seen through CConnection::Open's progress callback.
#include <mutex>
#include <vector>

#include "SessionFixture.h"

namespace sessiontest {
namespace {

std::mutex g_RatesLock;
std::vector<std::uint32_t> g_Rates;

bool recordRate(void* p) {
  const auto* rec = static_cast<const std::uint32_t*>(p);
  std::lock_guard l(g_RatesLock);
  g_Rates.push_back(rec[1]);
  return false;
}

TEST_F(SessionTest, ReceiverAt9600IsFoundAtTheNinthRateAndSwitched) {
  rcvsim::Options o = simOptions(files);
  o.rate = 9600;
  startSim(o);
  g_Rates.clear();
  ASSERT_EQ(conn.Open("", "tester", "", "gridtest", recordRate), 1) << conn.GetReplyString();
  rcv = TSelfCreator<CReceiver>::Create();
  rcv->AddRef();
  ASSERT_EQ(rcv->Open(&conn, rcvString().c_str(), 0), 1) << rcv->GetReplyString();
  {
    std::lock_guard l(g_RatesLock);
    ASSERT_EQ(g_Rates.size(), 9u);
    EXPECT_EQ(g_Rates[0], 115200u);
    EXPECT_EQ(g_Rates[8], 9600u);
  }
  // The receiver now talks at the requested rate.
  EXPECT_EQ(rcv->SendCommand("print,/par/cur/term/rate"), 1);
  EXPECT_NE(rcv->GetReplyString().find("115200"), std::string::npos) << rcv->GetReplyString();
}

}  // namespace
}  // namespace sessiontest
