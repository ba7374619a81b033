// stelvan-ntrip: RTK corrections from an NTRIP caster into a receiver.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "CasterExchange.h"
#include "Destination.h"
#include "NtripClient.h"
#include "ReceiverLink.h"
#include "ToolOptions.h"

namespace {

using namespace ntriptool;
using Clock = std::chrono::steady_clock;

std::atomic<bool> g_stop{false};
void onSignal(int) {
  g_stop = true;
}

int listSourceTable(const Options& o) {
  Ntrip::SourceTable table;
  std::string error;
  bool untrusted = false;
  if (!Ntrip::FetchSourceTable(o.client.caster, &g_stop, o.client.connectTimeoutMs, table, error,
                               &untrusted)) {
    std::fprintf(stderr, "stelvan-ntrip: %s\n", error.c_str());
    return untrusted ? kExitUntrusted : kExitCaster;
  }
  std::printf("%-20s %-24s %-14s %-9s %-9s %-4s %s\n", "MOUNT", "IDENTIFIER", "FORMAT", "LAT", "LON", "GGA",
              "NAV");
  for (const Ntrip::StreamRecord& s : table.streams)
    std::printf("%-20s %-24s %-14s %-9.4f %-9.4f %-4s %s\n", s.mount.c_str(), s.identifier.c_str(),
                s.format.c_str(), s.latitude, s.longitude, s.needsGga ? "yes" : "no", s.navSystem.c_str());
  for (const Ntrip::CasterRecord& c : table.casters)
    std::printf("caster %s:%d %s\n", c.host.c_str(), c.port, c.identifier.c_str());
  for (const Ntrip::NetworkRecord& n : table.networks)
    std::printf("network %s %s\n", n.identifier.c_str(), n.op.c_str());
  return 0;
}

int exitFor(Ntrip::NtripClient::Ending e) {
  switch (e) {
    case Ntrip::NtripClient::Ending::Unauthorized:
      return kExitUnauthorized;
    case Ntrip::NtripClient::Ending::UnknownMount:
      return kExitUnknownMount;
    case Ntrip::NtripClient::Ending::Destination:
      return kExitDestination;
    case Ntrip::NtripClient::Ending::GaveUp:
      return kExitCaster;
    case Ntrip::NtripClient::Ending::Untrusted:
      return kExitUntrusted;
    default:
      return kExitStopped;
  }
}

// Runs the client until a signal, --seconds or its end; reports on standard error.
int runClient(Options& o, Ntrip::Destination& destination) {
  Ntrip::NtripClient client(o.client, [&](const char* b, std::size_t n, std::string& error) {
    return destination.Write(b, n, error);
  });
  client.Start();
  const auto started = Clock::now();
  auto nextStatus = started + std::chrono::seconds(o.statusSeconds);
  std::string lastText;
  while (!g_stop && client.ending() == Ntrip::NtripClient::Ending::Running) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const Ntrip::ClientStatus s = client.Status();
    if (s.text != lastText) {
      std::fprintf(stderr, "stelvan-ntrip: %s\n", s.text.c_str());
      lastText = s.text;
    }
    if (Clock::now() >= nextStatus) {
      std::fprintf(stderr, "stelvan-ntrip: %s\n", Ntrip::FormatStatus(s).c_str());
      nextStatus += std::chrono::seconds(o.statusSeconds);
    }
    if (o.seconds > 0 && Clock::now() - started >= std::chrono::seconds(o.seconds)) break;
  }
  client.Stop();
  const Ntrip::ClientStatus s = client.Status();
  if (s.text != lastText) std::fprintf(stderr, "stelvan-ntrip: %s\n", s.text.c_str());
  std::fprintf(stderr, "stelvan-ntrip: %s\n", Ntrip::FormatStatus(s).c_str());
  return exitFor(client.ending());
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::string error;
  const int parsed = parse(argc, argv, o, error);
  if (parsed == 1) return std::fputs(usage(), stdout), 0;
  if (parsed != 0) return std::fprintf(stderr, "stelvan-ntrip: %s\n%s", error.c_str(), usage()), kExitUsage;

  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  if (o.sourceTable) return listSourceTable(o);

  // One link to the receiver serves both the GGA source and the RCV: destination.
  std::unique_ptr<ReceiverLink> link;
  const std::string rcvTo = o.to.rfind("RCV:", 0) == 0 ? o.to.substr(4) : std::string();
  if (!o.ggaFrom.empty() || !rcvTo.empty()) {
    link = std::make_unique<ReceiverLink>(!o.ggaFrom.empty() ? o.ggaFrom : rcvTo);
    if (!rcvTo.empty() && !o.ggaFrom.empty() && rcvTo != o.ggaFrom)
      return std::fprintf(stderr, "stelvan-ntrip: --gga-from and RCV: must name the same receiver\n"),
             kExitUsage;
    if (!link->Open(error) || (!o.ggaFrom.empty() && !link->StartGga(error)))
      return std::fprintf(stderr, "stelvan-ntrip: %s\n", error.c_str()), kExitReceiver;
    if (!o.ggaFrom.empty()) o.client.position = [&link](Ntrip::GgaPosition& p) { return link->Position(p); };
  }
  std::unique_ptr<Ntrip::Destination> destination;
  if (!rcvTo.empty())
    destination = std::make_unique<ReceiverDestination>(*link);
  else
    destination = Ntrip::Destination::Create(o.to, error);
  if (!destination) return std::fprintf(stderr, "stelvan-ntrip: %s\n", error.c_str()), kExitUsage;
  if (!destination->Open(error))
    return std::fprintf(stderr, "stelvan-ntrip: cannot open %s\n", error.c_str()), kExitDestination;
  // A receiver that goes away (unplugged, restarted) is opened again until it is back; the
  // corrections that come meanwhile are dropped (old ones are of no use to a rover).
  Ntrip::Destination* reopened = destination.get();
  o.client.reopenDestination = [reopened](const std::atomic<bool>& stop, std::string& why) {
    return reopened->Reopen(stop, why);
  };
  std::fprintf(stderr, "stelvan-ntrip: corrections from %s:%d/%s to %s\n", o.client.caster.host.c_str(),
               o.client.caster.port, o.client.caster.mount.c_str(), destination->Describe().c_str());
  const int code = runClient(o, *destination);
  destination->Close();
  if (link) link->Close();
  return code;
}
