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

void ownerOnly(const fs::path& p, bool folder) {
  std::error_code ec;
  fs::permissions(p, folder ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write,
                  fs::perm_options::replace, ec);
}

bool createFolder(const fs::path& d, std::error_code& ec) {
  fs::create_directories(d, ec);
  if (!ec) ownerOnly(d, true);
  return !ec;
}

std::string sizeText(std::uint64_t bytes) {
  return bytes % (1u << 20) == 0 ? std::to_string(bytes >> 20) + " MB" : std::to_string(bytes) + " bytes";
}

}  // namespace

bool MessageStore::SafeName(std::string_view name) {
  if (name.empty() || name.size() > kMaxName || name[0] == '.') return false;
  for (unsigned char c : name)
    if (!std::isalnum(c) && c != '_' && c != '.' && c != '-') return false;
  return true;
}

std::string MessageStore::UploadKey(std::string_view kind, std::string_view description) {
  // FNV-1a, 64 bits: stable across restarts, so an interrupted upload resumes.
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : description) h = (h ^ c) * 1099511628211ull;
  char key[48];
  std::snprintf(key, sizeof key, "%.8s.%016" PRIx64, std::string(kind).c_str(), h);
  return key;
}

bool MessageStore::Open(const std::string& dir, std::string& error, MailboxQuota quota) {
  std::error_code ec;
  m_Root = dir;
  m_Quota = quota;
  if (!createFolder(m_Root, ec)) {
    error = "cannot create " + m_Root.string() + ": " + ec.message();
    return false;
  }
  for (const char* area : {"messages", "uploads", "files"}) {
    if (!createFolder(m_Root / area, ec)) {
      error = "cannot create " + (m_Root / area).string() + ": " + ec.message();
      return false;
    }
  }
  return true;
}

fs::path MessageStore::userDir(const std::string& area, const std::string& user) const {
  fs::path d = m_Root / area / user;
  std::error_code ec;
  if (!fs::is_directory(d, ec)) createFolder(d, ec);
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
    ownerOnly(counter, false);
    return name;
  }
}

bool MessageStore::writeMeta(const fs::path& meta, const StoredMessage& m) const {
  // Written aside and renamed: a list never sees half a line.
  const fs::path tmp = meta.string() + ".tmp";
  {
    std::ofstream out(tmp, std::ios::trunc);
    ownerOnly(tmp, false);
    out << m.from << ' ' << m.subject << ' ' << std::hex << m.fileTime << '\n';
    if (!out) return false;
  }
  std::error_code ec;
  fs::rename(tmp, meta, ec);
  return !ec;
}

MessageStore::Mailbox& MessageStore::mailbox(const std::string& user) const {
  const auto found = m_Boxes.find(user);
  if (found != m_Boxes.end()) return found->second;
  Mailbox& box = m_Boxes[user];
  std::error_code ec;
  const fs::path dir = m_Root / "messages" / user;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    if (entry.path().extension() != ".meta") continue;
    StoredMessage m;
    m.name = entry.path().stem().string();
    if (!readMeta(entry.path(), m)) continue;
    m.size = fs::file_size(dir / (m.name + ".body"), ec);
    if (ec) continue;
    box.bytes += m.size;
    box.timeOf[m.name] = m.fileTime;
    box.byTime.emplace(std::make_pair(m.fileTime, m.name), std::move(m));
  }
  return box;
}

void MessageStore::index(const std::string& user, const StoredMessage& m) const {
  Mailbox& box = mailbox(user);
  box.bytes += m.size;
  box.timeOf[m.name] = m.fileTime;
  box.byTime[{m.fileTime, m.name}] = m;
}

std::vector<StoredMessage> MessageStore::List(const std::string& user, std::size_t max) const {
  std::lock_guard l(m_Lock);
  const Mailbox& box = mailbox(user);
  std::vector<StoredMessage> out;
  for (auto it = box.byTime.rbegin(); it != box.byTime.rend() && out.size() < max; ++it)
    out.push_back(it->second);
  return {out.rbegin(), out.rend()};
}

std::string MessageStore::QuotaRefusal(const std::string& to, std::uint64_t bytes) const {
  std::lock_guard l(m_Lock);
  const Mailbox& box = mailbox(to);
  if (box.byTime.size() + 1 > m_Quota.messages || box.bytes + bytes > m_Quota.bytes)
    return "ER:Mailbox of " + to + " is full (" + std::to_string(m_Quota.messages) + " messages or " +
           sizeText(m_Quota.bytes) + ")";
  return {};
}

std::string MessageStore::Add(const std::string& to, const std::string& from, const std::string& subject,
                              std::string_view body) {
  std::lock_guard l(m_Lock);
  const fs::path dir = userDir("messages", to);
  StoredMessage m{newName(dir, from), from, subject, fileTimeNow(), body.size()};
  {
    const fs::path path = dir / (m.name + ".body");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    ownerOnly(path, false);
    out.write(body.data(), static_cast<std::streamsize>(body.size()));
    if (!out) return {};
  }
  if (!writeMeta(dir / (m.name + ".meta"), m)) return {};
  index(to, m);
  return m.name;
}

bool MessageStore::Find(const std::string& user, const std::string& name, StoredMessage& out,
                        fs::path& body) const {
  if (!SafeName(name)) return false;
  std::lock_guard l(m_Lock);
  const Mailbox& box = mailbox(user);
  const auto t = box.timeOf.find(name);
  if (t == box.timeOf.end()) return false;
  out = box.byTime.at({t->second, name});
  body = m_Root / "messages" / user / (name + ".body");
  return true;
}

bool MessageStore::Delete(const std::string& user, const std::string& name) {
  if (!SafeName(name)) return false;
  std::lock_guard l(m_Lock);
  Mailbox& box = mailbox(user);
  const auto t = box.timeOf.find(name);
  if (t == box.timeOf.end()) return false;
  const auto m = box.byTime.find({t->second, name});
  box.bytes -= m->second.size;
  box.byTime.erase(m);
  box.timeOf.erase(t);
  const fs::path dir = m_Root / "messages" / user;
  std::error_code ec;
  fs::remove(dir / (name + ".meta"), ec);
  fs::remove(dir / (name + ".body"), ec);
  return true;
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
  ownerOnly(part, false);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

void MessageStore::DropPart(const std::string& user, const std::string& key) {
  std::lock_guard l(m_Lock);
  std::error_code ec;
  fs::remove(m_Root / "uploads" / user / (key + ".part"), ec);
}

std::string MessageStore::FinishMessage(const std::string& user, const std::string& key,
                                        const std::string& to, const std::string& subject) {
  std::lock_guard l(m_Lock);
  const fs::path part = userDir("uploads", user) / (key + ".part");
  const fs::path dir = userDir("messages", to);
  StoredMessage m{newName(dir, user), user, subject, fileTimeNow(), 0};
  std::error_code ec;
  if (!fs::exists(part)) std::ofstream(part, std::ios::binary).flush();  // an empty file
  ownerOnly(part, false);
  m.size = fs::file_size(part, ec);
  fs::rename(part, dir / (m.name + ".body"), ec);
  if (ec || !writeMeta(dir / (m.name + ".meta"), m)) return {};
  index(to, m);
  return m.name;
}

bool MessageStore::FinishFile(const std::string& user, const std::string& key, const std::string& remote) {
  std::lock_guard l(m_Lock);
  const fs::path part = userDir("uploads", user) / (key + ".part");
  if (!fs::exists(part)) std::ofstream(part, std::ios::binary).flush();
  ownerOnly(part, false);
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
