#pragma once
// A small NTRIP caster for the cases the outside caster cannot play: 2.0
// chunked streams, GGA uploads, a base pushing its stream (SOURCE / POST),
// a caster that closes at once or whose stream stops. Listens on 127.0.0.1
// with a free port; serves one client at a time on its own thread; stop() (and
// the destructor) ends it within about 100 ms.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TestCaster {
 public:
  enum class Mode { Serve, CloseAtOnce, Stall };
  struct Options {
    std::string mount = "MNT";
    std::string user = "user", password = "pass";
    Mode mode = Mode::Serve;
    std::string stream;    // bytes served to a client, then held open
    int chunkBytes = 100;  // piece size for 2.0 chunked streams
    int repeatMs = 0;      // > 0: the stream again this often, as a base sends every epoch
    std::string sourceTable =
        "STR;MNT;Here;RTCM 3.3;1005(10);2;GPS;NET;CHE;47.4;8.5;1;0;x;none;B;N;2400;\r\n"
        "STR;OTHER;There;RTCM 3.3;;2;GPS;NET;DEU;48.1;11.6;0;0;x;none;B;N;2400;\r\n";
  };
  explicit TestCaster(Options o);
  ~TestCaster();
  bool start();
  void stop();
  int port() const { return port_; }

  // What clients sent: request headers, GGA lines, pushed stream bytes.
  std::vector<std::string> requests() const;
  std::vector<std::string> ggaLines() const;
  std::string pushed() const;
  int connections() const { return connections_.load(); }

 private:
  void serve();
  void client(int fd);
  void answerGet(int fd, const std::string& head, bool v2);
  void takePush(int fd, const std::string& head, std::string rest, bool chunked);
  void readGga(int fd, std::string& pending);
  bool authorised(const std::string& head) const;

  Options o_;
  int listen_ = -1, port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::thread thread_;
  mutable std::mutex lock_;
  std::vector<std::string> requests_, gga_;
  std::string pushed_;
};
