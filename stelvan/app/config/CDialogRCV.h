#pragma once
// Base of every configuration page: the controls of its parameter table, laid out in group
// boxes (and sub-tabs), kept in step with the page's CPageModel. GUI thread only.
#include <QWidget>
#include <map>
#include <vector>

#include "CPageModel.h"

class ICommandSender;
class QTabWidget;

class CDialogRCV : public QWidget {
  Q_OBJECT
 public:
  explicit CDialogRCV(CPageModel model, QWidget* parent = nullptr);

  // Returns the error text of the first refusal ("" when all went through); the failing
  // control gets the focus. A failed output period check shows its warning box first.
  virtual QString apply(ICommandSender& sender);
  // "" when the page was read, else the failure (the controls keep what they showed).
  QString read(ICommandSender& sender);
  void writeScript(std::string& out) const { model_.writeScript(out); }

  bool changed() const { return model_.changed(); }
  bool loaded() const { return model_.loaded(); }
  void forget() { model_.forget(); }
  CPageModel& model() { return model_; }
  const CPageModel& model() const { return model_; }
  // Puts the model's values back into the controls.
  void showValues();

 signals:
  void edited();

 protected:
  QTabWidget* subTabs() const { return tabs_; }
  // Sets every box of a check-box group, as if the user had clicked them.
  void setGroupAll(const std::string& path, bool on);
  // The group box a parameter's control sits in (null for hidden ones).
  QWidget* sectionOf(const std::string& path) const;

 private:
  struct Control {
    QWidget* label = nullptr;
    std::vector<QWidget*> widgets;
  };
  void build();
  QWidget* makeControl(std::size_t i, QWidget* parent, Control& c);
  void takeFromControl(std::size_t i);

  CPageModel model_;
  std::map<std::size_t, Control> controls_;
  QTabWidget* tabs_ = nullptr;
  bool filling_ = false;
};
