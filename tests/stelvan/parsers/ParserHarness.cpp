#include "ParserHarness.h"

#include <fstream>
#include <sstream>

#include "decode/engine/C_Ex_DataCash.h"
#include "decode/engine/C_MsgSetting.h"
#include "decode/engine/TuningValues.h"
#include "decode/parsers/C_ParserCMR.h"
#include "decode/parsers/C_ParserNMEA.h"
#include "decode/parsers/C_ParserRTCM.h"
#include "decode/parsers/C_ParserRTCM_3.h"
#include "decode/parsers/C_ParserZRX.h"

namespace ptest {

using namespace engine;

std::map<std::string, int> StreamRun::counts() const {
  std::map<std::string, int> c;
  for (const auto& m : messages) ++c[m.format + ":" + m.talker + m.id];
  return c;
}

Parsers defaultParsers(bool acceptUnknown) {
  Parsers p{new TUnknown<C_ParserZRX>(), new TUnknown<C_ParserNMEA>(), new TUnknown<C_ParserRTCM>(),
            new TUnknown<C_ParserRTCM_3>(), new TUnknown<C_ParserCMR>()};
  for (auto& x : p) x->setAcceptUnknown(acceptUnknown);
  return p;
}

namespace {
Ref<C_Ex_DataCash> bufferWith(const std::string& data, bool endOfInput) {
  Ref<C_Ex_DataCash> buf(new TUnknown<C_Ex_DataCash>());
  buf->setNoWait(endOfInput);
  buf->write(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
  return buf;
}
std::vector<int> codesOf(IMsgSetting* s) {
  std::vector<int> v;
  for (std::size_t i = 0; i < s->statusCount(); ++i) v.push_back(s->status(i));
  return v;
}
}  // namespace

StreamRun runStream(const std::string& data, Parsers& parsers) {
  StreamRun run;
  auto buf = bufferWith(data, true);
  Ref<C_MsgSetting> status(new TUnknown<C_MsgSetting>());
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < parsers.size(); ++i) order.push_back(i);
  std::size_t consumed = 0;
  while (buf->hasData()) {
    bool found = false;
    for (std::size_t k = 0; k < order.size() && !found; ++k) {
      IParserData* p = parsers[order[k]].get();
      status->reset();
      p->lock();
      const bool ok = p->parse(buf.get(), status.get());
      p->unlock();
      p->resetState();
      if (!ok) {
        buf->rewind();
        continue;
      }
      const std::size_t taken = buf->takenCount();
      std::string raw = data.substr(consumed, taken);
      const std::size_t lead = raw.find_first_not_of("\r\n");
      Found f{status->format(),
              status->id(),
              status->description(),
              codesOf(status.get()),
              consumed + (lead == std::string::npos ? taken : lead),
              lead == std::string::npos ? std::string() : raw.substr(lead)};
      run.messages.push_back(std::move(f));
      buf->commit(nullptr);
      consumed += taken;
      const std::size_t idx = order[k];
      order.erase(order.begin() + static_cast<long>(k));
      order.insert(order.begin(), idx);
      found = true;
    }
    if (!found) {
      std::uint8_t b = 0;
      if (!buf->takeUnknownByte(b, nullptr, true)) break;
      ++run.unknown;
      ++consumed;
    }
  }
  return run;
}

Attempt parseOnce(IParserData* parser, const std::string& data, bool endOfInput) {
  const std::uint32_t wait = tuning::readWaitMs.exchange(1);
  auto buf = bufferWith(data, endOfInput);
  Ref<C_MsgSetting> status(new TUnknown<C_MsgSetting>());
  status->reset();
  Attempt a;
  parser->lock();
  a.accepted = parser->parse(buf.get(), status.get());
  parser->unlock();
  parser->resetState();
  a.readComplete = buf->lastReadComplete();
  a.codes = codesOf(status.get());
  a.format = status->format();
  a.id = status->id();
  a.talker = status->description();
  a.taken = buf->takenCount();
  tuning::readWaitMs.store(wait);
  return a;
}

std::string bytes(std::initializer_list<int> b) {
  std::string s;
  for (int x : b) s.push_back(static_cast<char>(x));
  return s;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace ptest
