// The question a program with windows asks before it trusts a server certificate that no
// authority vouches for.
#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "linkpanel/Linkpanel.h"

namespace Kestrel {
namespace {

bool ask(const QString& server, const QString& fingerprint) {
  QMessageBox box(
      QMessageBox::Warning, QStringLiteral("Server certificate"),
      QStringLiteral("The server %1 shows a certificate that no trusted authority vouches for.\n\n"
                     "SHA-256 fingerprint:\n%2\n\n"
                     "Trust this server from now on? Compare the fingerprint with the one its "
                     "operator gave you; a different one later will be refused.")
          .arg(server, fingerprint),
      QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
  box.setObjectName(QStringLiteral("dlgTlsTrust"));
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace

bool AskTlsTrust(const char* server, const char* fingerprint, void*) {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (!app) return false;
  const QString s = QString::fromLocal8Bit(server), f = QString::fromLatin1(fingerprint);
  if (QThread::currentThread() == app->thread()) return ask(s, f);
  bool yes = false;
  QMetaObject::invokeMethod(
      app, [&] { yes = ask(s, f); }, Qt::BlockingQueuedConnection);
  return yes;
}

}  // namespace Kestrel
