// Users, messages and uploads for one session. A message of up to 1024 bytes is answered inline
// (the reply carries its subject and text) unless the client fetches it into a file ("GetMsg
// NAME SIZE file"); a longer one, or one fetched into a file, travels as transfer traffic
// (packet kind 8) before the reply, resumed from the size the client already holds.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "gridserver/ClientSession.h"
#include "gridserver/ServerLog.h"
#include "session/ServerPacket.h"

namespace gridserver {
namespace {

constexpr std::uint64_t kInlineLimit = 1024;
constexpr std::size_t kBlockData = 4096;
constexpr std::size_t kMaxListed = 255;  // the count travels as an 8-bit result
constexpr int kCancelledBlock = -3;      // the last block of an upload its sender stopped

std::vector<std::string> words(std::string_view text, std::size_t count, std::string* rest = nullptr) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (out.size() < count) {
    at = text.find_first_not_of(" \t\r\n", at);
    if (at == std::string_view::npos) break;
    const std::size_t end = std::min(text.find_first_of(" \t\r\n", at), text.size());
    out.emplace_back(text.substr(at, end - at));
    at = end;
  }
  if (rest) {
    // The text after the words and the one blank that ends them.
    *rest = at < text.size() ? std::string(text.substr(at + 1)) : std::string();
  }
  return out;
}

std::string heldReply(std::uint64_t offset) {
  char text[32];
  std::snprintf(text, sizeof text, "RE:OK. %06llu", static_cast<unsigned long long>(offset));
  return text;
}

}  // namespace

int ClientSession::getUsrList() {
  std::string list = "RE:";
  for (const std::string& name : m_Ctx.users.Names()) list += name + "/e\n";
  m_Reply = list;
  return static_cast<int>(std::min(m_Ctx.users.Names().size(), kMaxListed));
}

int ClientSession::getMsgList() {
  // The newest: a flood of messages must not hide the ones that came after it.
  const std::vector<StoredMessage> list = m_Ctx.store.List(User(), kMaxListed);
  std::string text = "RE:";
  char line[1400];
  for (const StoredMessage& m : list) {
    std::snprintf(line, sizeof line, "%s %llu %s %s %08x%08x\n", m.name.c_str(),
                  static_cast<unsigned long long>(m.size), m.from.c_str(), m.subject.c_str(),
                  static_cast<unsigned>(m.fileTime >> 32), static_cast<unsigned>(m.fileTime & 0xFFFFFFFFu));
    text += line;
  }
  m_Reply = text;
  return static_cast<int>(list.size());
}

int ClientSession::getMsg(std::string_view arg) {
  const auto w = words(arg, 3);
  StoredMessage m;
  std::filesystem::path body;
  if (w.empty() || !m_Ctx.store.Find(User(), w[0], m, body)) {
    m_Reply = "ER:Message not found";
    return 0;
  }
  const bool toFile = w.size() > 2 && w[2] == "file";
  if (m.size <= kInlineLimit && !toFile) {
    std::ifstream in(body, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    m_Reply = "RE:OK. " + m.subject + " " + text.str();
    return 1;
  }
  const std::uint64_t from = w.size() > 1 ? std::strtoull(w[1].c_str(), nullptr, 10) : 0;
  if (!sendMessageBody(m.name, m.subject, from, body.string())) {
    m_Reply = "ER:Can't read message";
    return 0;
  }
  m_Reply = "RE:OK. " + m.subject + " File of " + std::to_string(m.size) + " bytes";
  return 1;
}

// Blocks "IN:" + block number + data bytes ("%04d%04d") + "F" + data + one closing byte; the
// first block (number 0) opens with the message name and a zero byte. Then the closing "RE".
bool ClientSession::sendMessageBody(const std::string& name, const std::string&, std::uint64_t from,
                                    const std::string& bodyPath) {
  std::ifstream in(bodyPath, std::ios::binary);
  if (!in) return false;
  in.seekg(static_cast<std::streamoff>(from));
  std::vector<char> data(kBlockData);
  const std::uint16_t type = ServerLink::makeType(8, 0);
  for (unsigned block = 0; in && !m_Broken; ++block) {
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    const auto n = static_cast<std::size_t>(in.gcount());
    if (n == 0) break;
    char header[16];
    // Block numbers after the first never read 0000, which would mark a first block.
    std::snprintf(header, sizeof header, "IN:%04u%04uF", block == 0 ? 0u : 1u + (block - 1u) % 9999u,
                  static_cast<unsigned>(n));
    std::string packet = header;
    if (block == 0) packet.append(name).push_back('\0');
    packet.append(data.data(), n).push_back('\0');
    if (!Send(type, 0, 1, packet)) return false;
  }
  return Send(type, 0, 1, "RE:OK.");
}

int ClientSession::setMsg(std::string_view arg) {
  std::string text;
  const auto w = words(arg, 3);
  if (!w.empty() && w[0] == "0") {  // "0 user subject": a file follows in blocks
    if (w.size() < 3 || !m_Ctx.users.Exists(w[1])) {
      m_Reply = "ER:Unknown user " + (w.size() > 1 ? w[1] : std::string());
      return 0;
    }
    m_Reply = m_Ctx.store.QuotaRefusal(w[1], 0);
    if (!m_Reply.empty()) return 0;
    m_Upload =
        Upload{true, "SetMsg", MessageStore::UploadKey("msg", w[1] + "/" + w[2]), w[1], w[2], "", 1, 0};
    m_Upload.offset = m_Ctx.store.PartSize(User(), m_Upload.key);
    m_Reply = heldReply(m_Upload.offset);
    return m_Upload.handle;
  }
  if (w.size() < 2 || !m_Ctx.users.Exists(w[0])) {
    m_Reply = "ER:Unknown user " + (w.empty() ? std::string() : w[0]);
    return 0;
  }
  words(arg, 2, &text);  // everything after the subject and its blank, as sent
  m_Reply = m_Ctx.store.QuotaRefusal(w[0], text.size());
  if (!m_Reply.empty()) return 0;
  const std::string name = m_Ctx.store.Add(w[0], User(), w[1], text);
  if (name.empty()) {
    m_Reply = "ER:Can't store message";
    return 0;
  }
  log("message " + name + " for " + w[0]);
  m_Ctx.notifyUser(w[0], "New message from " + User() + ": " + w[1]);
  return 1;
}

int ClientSession::deleteMsg(std::string_view arg) {
  const auto w = words(arg, 1);
  if (w.empty() || !m_Ctx.store.Delete(User(), w[0])) {
    m_Reply = "ER:Message not found";
    return 0;
  }
  return 1;
}

int ClientSession::loadFile(std::string_view arg) {
  const auto w = words(arg, 2);
  if (w.size() >= 2 && w[1].size() > MessageStore::kMaxName) {
    m_Reply = "ER:File name too long (at most " + std::to_string(MessageStore::kMaxName) + " characters)";
    return 0;
  }
  if (w.size() < 2 || w[0] != "0" || !MessageStore::SafeName(w[1])) {
    m_Reply = "ER:Bad file name";
    return 0;
  }
  m_Upload = Upload{true, "LoadFile", MessageStore::UploadKey("file", w[1]), "", "", w[1], 1, 0};
  m_Upload.offset = m_Ctx.store.PartSize(User(), m_Upload.key);
  m_Reply = heldReply(m_Upload.offset);
  return m_Upload.handle;
}

void ClientSession::uploadBlock(const ServerLink::IncomingRequest& b) {
  if (User().empty() || !m_Upload.active || b.verb != m_Upload.verb || b.handle != m_Upload.handle) {
    log("upload block without an upload dropped");
    reply(0, 0, "ER:Upload is not open!");
    return;
  }
  if (b.block == kCancelledBlock) {
    // The client stopped: nothing of it may be filed as complete (or loaded as firmware).
    m_Upload.active = false;
    m_Ctx.store.DropPart(User(), m_Upload.key);
    log("upload " + (m_Upload.remote.empty() ? "for " + m_Upload.to : m_Upload.remote) + " cancelled at " +
        std::to_string(m_Upload.offset) + " bytes");
    reply(0, 1, "RE:Aborted by user!");
    return;
  }
  if (m_Upload.verb == "SetMsg") {
    const std::string full = m_Ctx.store.QuotaRefusal(m_Upload.to, m_Upload.offset + b.data.size());
    if (!full.empty()) {
      m_Upload.active = false;
      m_Ctx.store.DropPart(User(), m_Upload.key);
      reply(0, 0, full);
      return;
    }
  }
  if (!m_Ctx.store.AppendPart(User(), m_Upload.key, b.data)) {
    m_Upload.active = false;
    reply(0, 0, "ER:Can't store the upload");
    return;
  }
  m_Upload.offset += b.data.size();
  if (b.block == -2) {
    m_Upload.active = false;
    if (m_Upload.verb == "SetMsg") {
      const std::string name = m_Ctx.store.FinishMessage(User(), m_Upload.key, m_Upload.to, m_Upload.subject);
      if (name.empty()) {
        reply(0, 0, "ER:Can't store message");
        return;
      }
      log("message " + name + " for " + m_Upload.to + " (" + std::to_string(m_Upload.offset) + " bytes)");
      m_Ctx.notifyUser(m_Upload.to, "New message from " + User() + ": " + m_Upload.subject);
    } else if (!m_Ctx.store.FinishFile(User(), m_Upload.key, m_Upload.remote)) {
      reply(0, 0, "ER:Can't store the upload");
      return;
    } else {
      log("file " + m_Upload.remote + " uploaded");
    }
  }
  char text[32];
  std::snprintf(text, sizeof text, "INS:%06llu", static_cast<unsigned long long>(m_Upload.offset));
  reply(0, 1, text);
}

}  // namespace gridserver
