#include "gridlink/CProfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "settings/ProfileStore.h"

// An open section: one QSettings on the key's file, positioned in the group.
struct CProfileKey {
  std::string path;
  std::unique_ptr<QSettings> settings;
};

namespace {

constexpr std::size_t kMaxText = 8191;

// The store may later hold server passwords: keep it private to the user.
bool prepareFile(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  if (!QDir().mkpath(info.absolutePath())) return false;
  const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::fchmod(fd, 0600);
  ::close(fd);
  return true;
}

QString sectionGroup(const char* section) {
  QString s = QString::fromUtf8(section ? section : "");
  s.replace('\\', '/');
  return s;
}

}  // namespace

CProfile::CProfile() : m_KeyName("Software\\Norhaven GNSS\\Fieldmesh\\" + ProfileStore::programName()) {}
CProfile::CProfile(const char* keyName) : m_KeyName(keyName ? keyName : "") {}
CProfile::~CProfile() = default;

CProfile* CProfile::Instance() { return new CProfile(); }
CProfile* CProfile::Instance(const char* keyName) { return new CProfile(keyName); }
void CProfile::Release() { delete this; }

void CProfile::setKeyName(const char* keyName) { m_KeyName = keyName ? keyName : ""; }

std::string CProfile::storePath() const { return ProfileStore::iniPathForKey(m_KeyName); }

CProfileKey* CProfile::OpenKey(const char* section) {
  auto key = std::make_unique<CProfileKey>();
  key->path = storePath();
  if (!prepareFile(key->path)) return nullptr;
  key->settings = std::make_unique<QSettings>(QString::fromStdString(key->path), QSettings::IniFormat);
  if (key->settings->status() != QSettings::NoError) return nullptr;
  const QString group = sectionGroup(section);
  if (!group.isEmpty()) key->settings->beginGroup(group);
  return key.release();
}

void CProfile::Close(CProfileKey* key) {
  if (!key) return;
  key->settings->sync();
  ::chmod(key->path.c_str(), 0600);
  delete key;
}

const char* CProfile::Read(const char* section, const char* name, const char* def) {
  CProfileKey* key = OpenKey(section);
  if (!key) return def;
  const QVariant v = key->settings->value(QString::fromUtf8(name ? name : ""));
  Close(key);
  if (!v.isValid()) return def;
  // A hand-edited value with unquoted commas reads back as a list; keep it whole.
  const QString text = v.typeId() == QMetaType::QStringList ? v.toStringList().join(',') : v.toString();
  std::string kept = text.toStdString();
  if (kept.size() > kMaxText) kept.resize(kMaxText);
  return m_ReadTexts.keep(std::move(kept));
}

const char* CProfile::ThreadTexts::keep(std::string text) {
  std::lock_guard lock(m_Lock);
  std::string& slot = m_Texts[std::this_thread::get_id()];
  slot = std::move(text);
  return slot.c_str();  // map nodes stay put while other threads add theirs
}

int CProfile::Read(const char* section, const char* name, int def) {
  CProfileKey* key = OpenKey(section);
  if (!key) return def;
  const QVariant v = key->settings->value(QString::fromUtf8(name ? name : ""));
  Close(key);
  if (!v.isValid()) return def;
  bool ok = false;
  const qlonglong n = v.toString().trimmed().toLongLong(&ok);
  // Stored integers are 4 bytes wide, signed or not.
  if (!ok || n < INT32_MIN || n > UINT32_MAX) return def;
  return static_cast<int>(static_cast<std::uint32_t>(n));
}

bool CProfile::Read(const char* section, const char* name, bool def) {
  const std::string text = Read(section, name, def ? "1" : "0");
  return text == "1";
}

double CProfile::Read(const char* section, const char* name, double def) {
  const std::string text = Read(section, name, "");
  if (text.empty()) return def;
  double value = def;
  if (std::sscanf(text.c_str(), "%lf", &value) != 1) return def;
  return value;
}

void CProfile::Write(const char* section, const char* name, const char* value) {
  CProfileKey* key = OpenKey(section);
  if (!key) return;
  key->settings->setValue(QString::fromUtf8(name ? name : ""), QString::fromUtf8(value ? value : ""));
  Close(key);
}

void CProfile::Write(const char* section, const char* name, int value) {
  CProfileKey* key = OpenKey(section);
  if (!key) return;
  key->settings->setValue(QString::fromUtf8(name ? name : ""), value);
  Close(key);
}

void CProfile::Write(const char* section, const char* name, bool value) {
  Write(section, name, value ? "1" : "0");
}

void CProfile::Write(const char* section, const char* name, double value) {
  char text[400];
  std::snprintf(text, sizeof text, "%2.15lf", value);
  Write(section, name, static_cast<const char*>(text));
}
