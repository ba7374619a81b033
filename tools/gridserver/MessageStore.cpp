#include "gridserver/MessageStore.h"

#include <cctype>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <fstream>

namespace fs = std::filesystem;

namespace gridserver {
namespace {

std::uint64_t fileTimeNow() {
  constexpr std::uint64_t kEpochDiff = 11644473600ull;
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count();
  return (static_cast<std::uint64_t>(us) + kEpochDiff * 1000000ull) * 10ull;
}

bool readMeta(const fs::path& meta, StoredMessage& m) {
  std::ifstream in(meta);
  std::string time;
  if (!(in >> m.from >> m.subject >> time)) return false;
  m.fileTime = std::strtoull(time.c_str(), nullptr, 16);
  return true;
}

}  // namespace

bool MessageStore::SafeName(std::string_view name) {
  if (name.empty() || name.size() > 200 || name[0] == '.') return false;
  for (unsigned char c : name)
    if (!std::isalnum(c) && c != '_' && c != '.' && c != '-') return false;
  return true;
}

bool MessageStore::Open(const std::string& dir, std::string& error) {
  std::error_code ec;
  m_Root = dir;
  for (const char* area : {"messages", "uploads", "files"}) {
    fs::create_directories(m_Root / area, ec);
    if (ec) {
      error = "cannot create " + (m_Root / area).string() + ": " + ec.message();
      return false;
    }
  }
  return true;
}

fs::path MessageStore::userDir(const std::string& area, const std::string& user) const {
  fs::path d = m_Root / area / user;
  std::error_code ec;
  fs::create_directories(d, ec);
  return d;
}

// "from-n", n counting up per recipient and never reused, so a stale name never reaches a
// newer message.
std::string MessageStore::newName(const fs::path& dir, const std::string& from) const {
  const fs::path counter = dir / ".next";
  unsigned long long next = 1;
  std::ifstream(counter) >> next;
  for (;; ++next) {
    std::string name = from + "-" + std::to_string(next);
    if (fs::exists(dir / (name + ".meta")) || fs::exists(dir / (name + ".body"))) continue;
    std::ofstream(counter, std::ios::trunc) << next + 1 << '\n';
    return name;
  }
}

bool MessageStore::writeMeta(const fs::path& meta, const StoredMessage& m) const {
  // Written aside and renamed: a list never sees half a line.
  const fs::path tmp = meta.string() + ".tmp";
  {
    std::ofstream out(tmp, std::ios::trunc);
    out << m.from << ' ' << m.subject << ' ' << std::hex << m.fileTime << '\n';
    if (!out) return false;
  }
  std::error_code ec;
  fs::rename(tmp, meta, ec);
  return !ec;
}

std::vector<StoredMessage> MessageStore::List(const std::string& user) const {
  std::lock_guard l(m_Lock);
  std::vector<StoredMessage> out;
  std::error_code ec;
  const fs::path dir = m_Root / "messages" / user;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    if (entry.path().extension() != ".meta") continue;
    StoredMessage m;
    m.name = entry.path().stem().string();
    if (!readMeta(entry.path(), m)) continue;
    m.size = fs::file_size(dir / (m.name + ".body"), ec);
    if (ec) continue;
    out.push_back(std::move(m));
  }
  return out;
}

std::string MessageStore::Add(const std::string& to, const std::string& from, const std::string& subject,
                              std::string_view body) {
  std::lock_guard l(m_Lock);
  const fs::path dir = userDir("messages", to);
  StoredMessage m{newName(dir, from), from, subject, fileTimeNow(), body.size()};
  {
    std::ofstream out(dir / (m.name + ".body"), std::ios::binary | std::ios::trunc);
    out.write(body.data(), static_cast<std::streamsize>(body.size()));
    if (!out) return {};
  }
  return writeMeta(dir / (m.name + ".meta"), m) ? m.name : std::string();
}

bool MessageStore::Find(const std::string& user, const std::string& name, StoredMessage& out,
                        fs::path& body) const {
  if (!SafeName(name)) return false;
  std::lock_guard l(m_Lock);
  const fs::path dir = m_Root / "messages" / user;
  out = StoredMessage();
  out.name = name;
  if (!readMeta(dir / (name + ".meta"), out)) return false;
  body = dir / (name + ".body");
  std::error_code ec;
  out.size = fs::file_size(body, ec);
  return !ec;
}

bool MessageStore::Delete(const std::string& user, const std::string& name) {
  if (!SafeName(name)) return false;
  std::lock_guard l(m_Lock);
  const fs::path dir = m_Root / "messages" / user;
  std::error_code ec;
  const bool had = fs::remove(dir / (name + ".meta"), ec);
  fs::remove(dir / (name + ".body"), ec);
  return had;
}

std::uint64_t MessageStore::PartSize(const std::string& user, const std::string& key) const {
  std::lock_guard l(m_Lock);
  std::error_code ec;
  const auto n = fs::file_size(m_Root / "uploads" / user / (key + ".part"), ec);
  return ec ? 0 : n;
}

bool MessageStore::AppendPart(const std::string& user, const std::string& key, std::string_view data) {
  std::lock_guard l(m_Lock);
  const fs::path part = userDir("uploads", user) / (key + ".part");
  std::error_code ec;
  const auto held = fs::file_size(part, ec);
  if (!ec && held + data.size() > kMaxUpload) return false;
  std::ofstream out(part, std::ios::binary | std::ios::app);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

std::string MessageStore::FinishMessage(const std::string& user, const std::string& key,
                                        const std::string& to, const std::string& subject) {
  std::lock_guard l(m_Lock);
  const fs::path part = userDir("uploads", user) / (key + ".part");
  const fs::path dir = userDir("messages", to);
  StoredMessage m{newName(dir, user), user, subject, fileTimeNow(), 0};
  std::error_code ec;
  if (!fs::exists(part)) std::ofstream(part, std::ios::binary).flush();  // an empty file
  fs::rename(part, dir / (m.name + ".body"), ec);
  if (ec) return {};
  return writeMeta(dir / (m.name + ".meta"), m) ? m.name : std::string();
}

bool MessageStore::FinishFile(const std::string& user, const std::string& key, const std::string& remote) {
  std::lock_guard l(m_Lock);
  const fs::path part = userDir("uploads", user) / (key + ".part");
  if (!fs::exists(part)) std::ofstream(part, std::ios::binary).flush();
  std::error_code ec;
  fs::rename(part, userDir("files", user) / remote, ec);
  return !ec;
}

std::string MessageStore::UploadedFile(const std::string& user, const std::string& remote) const {
  if (!SafeName(remote)) return {};
  std::lock_guard l(m_Lock);
  const fs::path file = m_Root / "files" / user / remote;
  std::error_code ec;
  return fs::is_regular_file(file, ec) ? file.string() : std::string();
}

}  // namespace gridserver
