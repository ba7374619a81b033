#pragma once
// Settings store: named values in sections under one key. Each call opens and
// closes its own store file, so objects may be used from different threads, one
// object from several at once too (CConnection::getProfile() is shared): the text
// a Read returns is kept per object and per calling thread. setKeyName belongs to
// the object's owner, before it is shared. Failures are silent: reads give their
// defaults, writes are dropped.
// A key "Software\A\B\C" lives in $XDG_CONFIG_HOME/A/B/C.ini (default ~/.config).
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "gridlink/Export.h"

struct CProfileKey;  // an open section; owned by the caller until Close

class GRIDLINK_API CProfile {
 public:
  CProfile();  // key "Software\Norhaven GNSS\Fieldmesh\" + the program's file name
  explicit CProfile(const char* keyName);
  CProfile(const CProfile&) = default;
  CProfile& operator=(const CProfile&) = default;
  virtual ~CProfile();

  // Each call makes a new object; the caller ends it with Release().
  static CProfile* Instance();
  static CProfile* Instance(const char* keyName);
  void Release();

  void setKeyName(const char* keyName);
  const std::string& keyName() const { return m_KeyName; }

  CProfileKey* OpenKey(const char* section);  // null on failure
  void Close(CProfileKey* key);

  // The stored text, or `def` itself when there is none. The returned text stays
  // valid until the next text Read on this object by the same thread.
  const char* Read(const char* section, const char* name, const char* def);
  int Read(const char* section, const char* name, int def);
  bool Read(const char* section, const char* name, bool def);
  double Read(const char* section, const char* name, double def);

  void Write(const char* section, const char* name, const char* value);
  void Write(const char* section, const char* name, int value);
  void Write(const char* section, const char* name, bool value);
  void Write(const char* section, const char* name, double value);

  // Where this key's values are stored (for diagnostics and the README).
  std::string storePath() const;

 private:
  // The texts handed out by Read, one per reading thread; a copy starts empty.
  class ThreadTexts {
   public:
    ThreadTexts() = default;
    ThreadTexts(const ThreadTexts&) {}
    ThreadTexts& operator=(const ThreadTexts&) { return *this; }
    const char* keep(std::string text);

   private:
    std::mutex m_Lock;
    std::map<std::thread::id, std::string> m_Texts;
  };

  std::string m_KeyName;
  ThreadTexts m_ReadTexts;
};
