#pragma once
// Messages and uploaded files on disk, kept across restarts:
//   DIR/messages/USER/NAME.meta   "from subject filetime-hex" (one line)
//   DIR/messages/USER/NAME.body   the text or file, byte for byte
//   DIR/uploads/USER/KEY.part     an upload on its way (resumed from its size)
//   DIR/files/USER/REMOTE         a finished file upload
// Users only ever reach their own folder: names from the wire are checked before they become
// paths. Folders are created 0700 and files 0600: nobody but the server's user reads them.
// Each user's messages are indexed in memory (read from disk on the user's first use), so a
// list costs the same however many messages are stored. Any thread; one lock serialises
// changes.
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gridserver {

struct StoredMessage {
  std::string name;
  std::string from;
  std::string subject;
  std::uint64_t fileTime = 0;  // 100 ns units since 1601-01-01
  std::uint64_t size = 0;
};

// What one user's mailbox may hold.
struct MailboxQuota {
  std::size_t messages = 1000;
  std::uint64_t bytes = 256ull << 20;
};

class MessageStore {
 public:
  static constexpr std::uint64_t kMaxUpload = 64ull << 20;

  bool Open(const std::string& dir, std::string& error, MailboxQuota quota = {});

  // The newest `max` messages of the user, oldest of them first.
  std::vector<StoredMessage> List(const std::string& user, std::size_t max) const;
  // Empty when `to` can take `bytes` more in one more message, else why not (a reply text).
  std::string QuotaRefusal(const std::string& to, std::uint64_t bytes) const;
  // Stores a message for `to`; its name, empty when it could not be written.
  std::string Add(const std::string& to, const std::string& from, const std::string& subject,
                  std::string_view body);
  // The message and the path of its body; false when the user has no such message.
  bool Find(const std::string& user, const std::string& name, StoredMessage& out,
            std::filesystem::path& body) const;
  bool Delete(const std::string& user, const std::string& name);

  // Uploads, by a key the session makes from what is uploaded.
  std::uint64_t PartSize(const std::string& user, const std::string& key) const;
  bool AppendPart(const std::string& user, const std::string& key, std::string_view data);
  // Drops what is held of an upload (a cancelled one).
  void DropPart(const std::string& user, const std::string& key);
  // The finished part becomes a message for `to` (its name) or a file under `remote`.
  std::string FinishMessage(const std::string& user, const std::string& key, const std::string& to,
                            const std::string& subject);
  bool FinishFile(const std::string& user, const std::string& key, const std::string& remote);
  // The path of a file the user uploaded under `remote`; empty when there is none.
  std::string UploadedFile(const std::string& user, const std::string& remote) const;

  // A word made only of letters, digits, "_", "." and "-", not starting with "." (a file name),
  // of at most kMaxName characters.
  static constexpr std::size_t kMaxName = 200;
  static bool SafeName(std::string_view name);
  // A short file-name key for an upload of any description (a hash of it).
  static std::string UploadKey(std::string_view kind, std::string_view description);

 private:
  struct Mailbox {
    std::map<std::pair<std::uint64_t, std::string>, StoredMessage> byTime;
    std::map<std::string, std::uint64_t> timeOf;  // name -> its time, the key into byTime
    std::uint64_t bytes = 0;
  };

  std::filesystem::path userDir(const std::string& area, const std::string& user) const;
  std::string newName(const std::filesystem::path& dir, const std::string& from) const;
  bool writeMeta(const std::filesystem::path& meta, const StoredMessage& m) const;
  Mailbox& mailbox(const std::string& user) const;  // under m_Lock
  void index(const std::string& user, const StoredMessage& m) const;

  std::filesystem::path m_Root;
  MailboxQuota m_Quota;
  mutable std::mutex m_Lock;
  mutable std::map<std::string, Mailbox> m_Boxes;
};

}  // namespace gridserver
