#pragma once
// The three pages of the real-time logging dialog and the converter settings dialog.
#include <QDialog>
#include <QWidget>

#include "logging/MessageCatalogue.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QTreeWidget;
class QFileSystemModel;
class QTreeView;
class QLabel;

namespace logging {

// "Message": format, recording interval, elevation mask and the message list.
class CMessageRTL : public QWidget {
  Q_OBJECT
 public:
  CMessageRTL(MessageCatalogue& catalogue, QWidget* parent = nullptr);
  int format() const;
  QString interval() const;
  QString elevationMask() const;
  void setListEnabled(bool on);
  void showFormat(int format);
  // Copies the check boxes back into the catalogue.
  void takeChoices();

  QComboBox* formatBox;
  QLineEdit* intervalEdit;
  QLineEdit* maskEdit;
  QTreeWidget* list;

 private:
  MessageCatalogue& catalogue_;
  int shown_ = 0;
};

// "Log File": one file or a series, names, period, overwrite and conversion.
class CMultipleFile : public QWidget {
  Q_OBJECT
 public:
  explicit CMultipleFile(QWidget* parent = nullptr);
  bool multiple() const;
  int periodSeconds() const;  // count (at least 1) times the unit

  QRadioButton *single, *several;
  QLineEdit *fileName, *prefix, *startCount, *interval, *savedTo;
  QComboBox* unit;
  QRadioButton *ascending, *dateTime;
  QCheckBox *overwrite, *convert;
};

// "Output path": a folder tree; choosing a folder makes it the output path at once.
class COutputPathRTL : public QWidget {
  Q_OBJECT
 public:
  explicit COutputPathRTL(QWidget* parent = nullptr);
  // Opens the tree at `path` (its parents expanded) without reporting it as chosen.
  void setPath(const QString& path);
  QString currentPath() const;
  QTreeView* tree() const { return tree_; }
 signals:
  void pathChosen(const QString& path);

 private:
  QFileSystemModel* model_;
  QTreeView* tree_;
  bool settingPath_ = false;
};

// Converter settings, kept in the "ZRX2RIN" section.
class CConvert2RINEX : public QDialog {
  Q_OBJECT
 public:
  explicit CConvert2RINEX(QWidget* parent = nullptr);
  void accept() override;
  // The refusal text when both systems are excluded; empty when the values are fine.
  QString check() const;

  QCheckBox *noGps, *noGlo, *noL1, *noL2, *deleteZrx;

 private:
  std::vector<std::pair<const char*, QLineEdit*>> edits_;
};

}  // namespace logging
