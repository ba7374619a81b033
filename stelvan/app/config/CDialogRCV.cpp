#include "CDialogRCV.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "ICommandSender.h"
#include "OutputPeriod.h"
#include "PortOutput.h"

namespace {
QString q(const std::string& s) {
  return QString::fromStdString(s);
}
// The control's name is its parameter path, so tests and the status line can find it.
QString controlName(const ParamSpec& s) {
  return q(s.path);
}
}  // namespace

CDialogRCV::CDialogRCV(CPageModel model, QWidget* parent) : QWidget(parent), model_(std::move(model)) {
  setObjectName(q(model_.name()));
  build();
  showValues();
}

void CDialogRCV::build() {
  auto* outer = new QVBoxLayout(this);
  std::map<std::string, QGroupBox*> boxes;
  std::map<std::string, QWidget*> tabPages;
  auto* mainArea = new QWidget;
  new QGridLayout(mainArea);
  int mainBoxes = 0;
  for (std::size_t i = 0; i < model_.size(); ++i) {
    const ParamSpec& s = model_.spec(i);
    if (s.hidden) continue;
    QWidget* host = mainArea;
    if (!s.tab.empty()) {
      if (!tabs_) tabs_ = new QTabWidget;
      QWidget*& page = tabPages[s.tab];
      if (!page) {
        page = new QWidget;
        new QGridLayout(page);
        auto* scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        scroll->setWidget(page);
        tabs_->addTab(scroll, q(s.tab));
      }
      host = page;
    }
    const std::string key = s.tab + "\n" + s.section;
    QGroupBox*& box = boxes[key];
    if (!box) {
      box = new QGroupBox(q(s.section));
      new QFormLayout(box);
      auto* grid = static_cast<QGridLayout*>(host->layout());
      const int n = host == mainArea ? mainBoxes++ : grid->count();
      grid->addWidget(box, n / 2, n % 2);
    }
    Control& c = controls_[i];
    QWidget* field = makeControl(i, box, c);
    auto* form = static_cast<QFormLayout*>(box->layout());
    if (s.label.empty() || s.kind == ParamKind::Check || s.kind == ParamKind::EditGroup) {
      form->addRow(field);
    } else {
      auto* label = new QLabel(q(s.label));
      c.label = label;
      form->addRow(label, field);
    }
  }
  // Group boxes keep their natural height; the space left goes below them.
  for (auto& [name, page] : tabPages) {
    auto* grid = static_cast<QGridLayout*>(page->layout());
    grid->setRowStretch(grid->rowCount(), 1);
  }
  if (mainBoxes) outer->addWidget(mainArea);
  if (tabs_) outer->addWidget(tabs_, 1);
  outer->addStretch();
}

QWidget* CDialogRCV::makeControl(std::size_t i, QWidget* parent, Control& c) {
  const ParamSpec& s = model_.spec(i);
  const auto changedHere = [this, i] {
    if (filling_) return;
    takeFromControl(i);
    emit edited();
  };
  switch (s.kind) {
    case ParamKind::Choice: {
      auto* combo = new QComboBox(parent);
      for (const ParamChoice& ch : s.choices) combo->addItem(q(ch.shown), q(ch.value));
      connect(combo, &QComboBox::activated, this, changedHere);
      c.widgets = {combo};
      break;
    }
    case ParamKind::Check: {
      auto* box = new QCheckBox(q(s.label), parent);
      connect(box, &QCheckBox::clicked, this, changedHere);
      c.widgets = {box};
      break;
    }
    case ParamKind::CheckGroup:
    case ParamKind::EditGroup: {
      auto* row = new QWidget(parent);
      auto* grid = new QGridLayout(row);
      grid->setContentsMargins(0, 0, 0, 0);
      // An edit group names itself on a row of its own, above its labelled edits.
      const int first = s.kind == ParamKind::EditGroup && !s.label.empty() ? 1 : 0;
      if (first) grid->addWidget(new QLabel(q(s.label), row), 0, 0, 1, -1);
      // Check boxes go eight to a row; labelled edits two, so long values keep their room.
      const std::size_t perRow =
          s.kind == ParamKind::CheckGroup ? 8 : (s.members.size() > 3 ? 2 : s.members.size());
      const int columns = static_cast<int>(std::min(perRow, s.members.size()));
      for (std::size_t k = 0; k < s.members.size(); ++k) {
        QWidget* w;
        if (s.kind == ParamKind::CheckGroup) {
          auto* box = new QCheckBox(q(s.members[k]), row);
          connect(box, &QCheckBox::clicked, this, changedHere);
          w = box;
        } else {
          auto* edit = new QLineEdit(row);
          connect(edit, &QLineEdit::textEdited, this, changedHere);
          w = edit;
          if (!s.members[k].empty()) {
            // Each edit of a group carries its own label in front of it.
            auto* label = new QLabel(q(s.members[k]), row);
            auto* pair = new QWidget(row);
            auto* line = new QHBoxLayout(pair);
            line->setContentsMargins(0, 0, 0, 0);
            line->addWidget(label);
            line->addWidget(edit, 1);
            grid->addWidget(pair, first + static_cast<int>(k) / columns, static_cast<int>(k) % columns);
            edit->setObjectName(controlName(s) + "#" + QString::number(k));
            c.widgets.push_back(edit);
            continue;
          }
        }
        w->setObjectName(controlName(s) + "#" + QString::number(k));
        grid->addWidget(w, first + static_cast<int>(k) / columns, static_cast<int>(k) % columns);
        c.widgets.push_back(w);
      }
      row->setObjectName(controlName(s));
      return row;
    }
    case ParamKind::Output: {
      auto* row = new QWidget(parent);
      auto* line = new QHBoxLayout(row);
      line->setContentsMargins(0, 0, 0, 0);
      auto* combo = new QComboBox(row);
      for (const PortOutput::Preset& p : PortOutput::presets()) combo->addItem(q(p.shown));
      auto* period = new QLineEdit(row);
      period->setMaximumWidth(period->fontMetrics().horizontalAdvance("0000.00MM"));
      auto* periodLabel = new QLabel("Period(s):", row);
      line->addWidget(combo, 1);
      line->addWidget(periodLabel);
      line->addWidget(period);
      connect(combo, &QComboBox::activated, this, changedHere);
      connect(period, &QLineEdit::textEdited, this, changedHere);
      combo->setObjectName(controlName(s));
      period->setObjectName(controlName(s) + "#period");
      row->setObjectName(controlName(s) + "#row");
      c.widgets = {combo, period, periodLabel};
      return row;
    }
    case ParamKind::ReadOnly: {
      auto* label = new QLabel(parent);
      label->setFrameShape(QFrame::Panel);
      label->setFrameShadow(QFrame::Sunken);
      label->setTextInteractionFlags(Qt::TextSelectableByMouse);
      if (s.label.empty()) label->setToolTip(q(s.path));
      c.widgets = {label};
      break;
    }
    case ParamKind::Edit: {
      auto* edit = new QLineEdit(parent);
      if (s.label.empty()) edit->setToolTip(q(s.path));
      connect(edit, &QLineEdit::textEdited, this, changedHere);
      c.widgets = {edit};
      break;
    }
  }
  c.widgets[0]->setObjectName(controlName(s));
  return c.widgets[0];
}

void CDialogRCV::takeFromControl(std::size_t i) {
  const ParamSpec& s = model_.spec(i);
  const Control& c = controls_.at(i);
  switch (s.kind) {
    case ParamKind::Choice:
      model_.setValue(i, static_cast<QComboBox*>(c.widgets[0])->currentData().toString().toStdString());
      break;
    case ParamKind::Check:
      model_.setChecked(i, static_cast<QCheckBox*>(c.widgets[0])->isChecked());
      break;
    case ParamKind::CheckGroup: {
      std::vector<bool> states;
      for (QWidget* w : c.widgets) states.push_back(static_cast<QCheckBox*>(w)->isChecked());
      model_.setGroup(i, states);
      break;
    }
    case ParamKind::EditGroup: {
      std::vector<std::string> texts;
      for (QWidget* w : c.widgets) texts.push_back(static_cast<QLineEdit*>(w)->text().toStdString());
      model_.setGroupTexts(i, texts);
      break;
    }
    case ParamKind::Edit:
      model_.setValue(i, static_cast<QLineEdit*>(c.widgets[0])->text().toStdString());
      break;
    case ParamKind::Output: {
      const std::string preset = static_cast<QComboBox*>(c.widgets[0])->currentText().toStdString();
      model_.setOutput(i, preset, static_cast<QLineEdit*>(c.widgets[1])->text().toStdString());
      // A period means something only for a preset that sends messages.
      const bool periodic = preset != PortOutput::kNone && preset != PortOutput::kUserDefined;
      c.widgets[1]->setEnabled(periodic);
      c.widgets[2]->setEnabled(periodic);
      break;
    }
    case ParamKind::ReadOnly:
      break;
  }
}

void CDialogRCV::showValues() {
  filling_ = true;
  for (auto& [i, c] : controls_) {
    const ParamSpec& s = model_.spec(i);
    const bool enabled = model_.at(i).enabled;
    switch (s.kind) {
      case ParamKind::Choice: {
        auto* combo = static_cast<QComboBox*>(c.widgets[0]);
        // What a choice offers may depend on what the receiver answered.
        combo->clear();
        for (const ParamChoice& ch : s.choices) combo->addItem(q(ch.shown), q(ch.value));
        int at = model_.choiceIndex(i);
        if (at < 0 && enabled) {
          // A value the table does not know is still shown as the receiver has it.
          combo->addItem(q(model_.at(i).value), q(model_.at(i).value));
          at = combo->count() - 1;
        }
        combo->setCurrentIndex(at);
        break;
      }
      case ParamKind::Check:
        static_cast<QCheckBox*>(c.widgets[0])->setChecked(enabled && model_.checked(i));
        break;
      case ParamKind::CheckGroup: {
        const std::vector<bool> states = model_.groupStates(i);
        for (std::size_t k = 0; k < c.widgets.size(); ++k)
          static_cast<QCheckBox*>(c.widgets[k])->setChecked(enabled && states[k]);
        break;
      }
      case ParamKind::EditGroup: {
        const std::vector<std::string> texts = model_.groupTexts(i);
        for (std::size_t k = 0; k < c.widgets.size(); ++k) {
          auto* e = static_cast<QLineEdit*>(c.widgets[k]);
          e->setText(q(texts[k]));
          // Room for the whole value: coordinates are long and must not be cut.
          e->setMinimumWidth(e->fontMetrics().horizontalAdvance(e->text() + "MMMM"));
        }
        break;
      }
      case ParamKind::Edit:
        static_cast<QLineEdit*>(c.widgets[0])->setText(q(model_.at(i).value));
        break;
      case ParamKind::ReadOnly:
        static_cast<QLabel*>(c.widgets[0])->setText(q(model_.shown(i)));
        break;
      case ParamKind::Output: {
        auto* combo = static_cast<QComboBox*>(c.widgets[0]);
        combo->setCurrentIndex(std::max(0, combo->findText(q(model_.outputPreset(i)))));
        static_cast<QLineEdit*>(c.widgets[1])->setText(q(model_.outputPeriod(i)));
        break;
      }
    }
    for (QWidget* w : c.widgets) w->setEnabled(enabled);
    if (s.kind == ParamKind::Output) {
      // A period means something only for a preset that sends messages.
      const std::string preset = model_.outputPreset(i);
      const bool periodic = enabled && preset != PortOutput::kNone && preset != PortOutput::kUserDefined;
      c.widgets[1]->setEnabled(periodic);
      c.widgets[2]->setEnabled(periodic);
    }
    if (c.label) c.label->setEnabled(enabled);
  }
  filling_ = false;
}

void CDialogRCV::setGroupAll(const std::string& path, bool on) {
  const int at = model_.indexOf(path);
  if (at < 0 || !model_.at(static_cast<std::size_t>(at)).enabled) return;
  const auto i = static_cast<std::size_t>(at);
  model_.setGroup(i, std::vector<bool>(model_.spec(i).members.size(), on));
  showValues();
  emit edited();
}

QWidget* CDialogRCV::sectionOf(const std::string& path) const {
  const int at = model_.indexOf(path);
  auto it = at < 0 ? controls_.end() : controls_.find(static_cast<std::size_t>(at));
  if (it == controls_.end()) return nullptr;
  for (QWidget* w = it->second.widgets[0]; w; w = w->parentWidget())
    if (auto* box = qobject_cast<QGroupBox*>(w)) return box;
  return nullptr;
}

QString CDialogRCV::read(ICommandSender& sender) {
  const std::string error = model_.read(sender);
  if (!error.empty()) return q(error);
  showValues();
  return {};
}

QString CDialogRCV::apply(ICommandSender& sender) {
  const CPageModel::ApplyResult r = model_.apply(sender);
  if (r.error.empty()) return {};
  if (r.periodWarning) QMessageBox::warning(this, OutputPeriod::kCaption, q(r.error));
  auto it = controls_.find(static_cast<std::size_t>(r.index));
  if (it != controls_.end()) {
    QWidget* w = it->second.widgets[0];
    // Bring a control on a sub-tab forward before it takes the focus.
    for (QWidget* p = w; p && tabs_; p = p->parentWidget())
      if (int at = tabs_->indexOf(p); at >= 0) tabs_->setCurrentIndex(at);
    w->setFocus();
  }
  return q(r.error);
}
