#include "about/CAboutDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "about/ReceiverReport.h"
#include "stelvan_version.h"

namespace about {

CAboutDlg::CAboutDlg(QueryRunner runner, QWidget* parent) : QDialog(parent) {
  setObjectName("dlgAbout");
  setWindowTitle("About " + productName());
  identity_ = new QLabel(this);
  identity_->setObjectName("aboutIdentity");
  identity_->setText(productName() + " version " STELVAN_VERSION_STRING "\n" + "Build: " __DATE__ ", " __TIME__ "\n" +
                     "Copyright (C) 2026 Norhaven GNSS\n");
  auto* link = new QLabel("<a href=\"https://norhaven-gnss.example/\">norhaven-gnss.example</a>", this);
  link->setObjectName("aboutLink");
  link->setOpenExternalLinks(true);

  reportArea_ = new QWidget(this);
  report_ = new QPlainTextEdit(reportArea_);
  report_->setObjectName("aboutReport");
  report_->setReadOnly(true);
  report_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  report_->setTabStopDistance(report_->fontMetrics().horizontalAdvance(' ') * 24);
  report_->setMinimumSize(report_->fontMetrics().horizontalAdvance(QString(64, 'x')),
                          report_->fontMetrics().lineSpacing() * 20);
  auto* copy = new QPushButton("Copy", reportArea_);
  copy->setObjectName("aboutCopy");
  connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(reportText()); });
  auto* reportLayout = new QVBoxLayout(reportArea_);
  reportLayout->setContentsMargins(0, 0, 0, 0);
  reportLayout->addWidget(report_, 1);
  reportLayout->addWidget(copy, 0, Qt::AlignLeft);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(identity_);
  layout->addWidget(link);
  layout->addWidget(reportArea_, 1);
  layout->addWidget(buttons);

  if (runner)
    readReport(runner);
  else
    reportArea_->hide();  // the box shrinks to the identity
  adjustSize();
}

void CAboutDlg::readReport(const QueryRunner& runner) {
  QDialog notice(parentWidget());
  notice.setObjectName("aboutWait");
  notice.setWindowTitle(productName());
  auto* text = new QLabel("Please, wait while Stelvan is querying receiver\n parameters", &notice);
  (new QVBoxLayout(&notice))->addWidget(text);
  notice.show();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  std::vector<std::optional<std::string>> answers;
  if (runner(reportScript(), answers)) report_->setPlainText(QString::fromLatin1(buildReport(answers).c_str()));
  notice.hide();
}

QString CAboutDlg::reportText() const { return report_->toPlainText(); }

}  // namespace about
