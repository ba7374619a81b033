#pragma once
// The values of one configuration page without its widgets: it reads them with one query
// script, keeps what the user changed, checks and sends the changed ones with their own set
// commands, and writes them as lines of a setup script. One thread (the dialog's) at a time.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ICommandSender.h"
#include "ParamSpec.h"

class CPageModel {
 public:
  struct Value {
    std::string value;     // as the receiver writes it (quotes of quoted texts removed)
    std::string original;  // as last read or applied
    bool enabled = false;  // answered by the receiver (and not ruled out by the page)
  };
  struct ApplyResult {
    std::string error;           // "" when everything changed was accepted
    int index = -1;              // the parameter that failed
    bool periodWarning = false;  // the error is the output period warning (a message box)
  };
  using Rule = std::function<void(CPageModel&)>;

  CPageModel(std::string name, std::vector<ParamSpec> specs, Rule afterLoad = {});

  const std::string& name() const { return name_; }
  const std::vector<ParamSpec>& specs() const { return specs_; }
  const ParamSpec& spec(std::size_t i) const { return specs_[i]; }
  const Value& at(std::size_t i) const { return values_[i]; }
  std::size_t size() const { return specs_.size(); }
  int indexOf(std::string_view path) const;

  std::string readScript() const;
  // Sends the read script and loads the answers. A receiver that stops answering part-way
  // gets the script once more; when it fails again the values stay as they were and the
  // result is "Receiver don't reply!" with the parameter whose answer did not come ("" when
  // the page was read).
  std::string read(ICommandSender& sender);
  static constexpr const char* kNoReply = "Receiver don't reply!";
  // Answer i belongs to parameter i; an empty answer disables it.
  void load(const std::vector<std::string>& answers);
  bool loaded() const { return loaded_; }
  void forget() { loaded_ = false; }

  void setValue(std::size_t i, const std::string& value) { values_[i].value = value; }
  void disable(std::size_t i) { values_[i].enabled = false; }
  // A value the page shows in place of what was read, not a change of the user's.
  void fill(std::size_t i, const std::string& value) { values_[i].value = values_[i].original = value; }
  // Narrows what a choice offers to what the receiver's state allows.
  void offer(std::size_t i, std::vector<ParamChoice> choices) { specs_[i].choices = std::move(choices); }
  // A derived value: shown (enabled) when not empty.
  void show(std::size_t i, const std::string& value) {
    fill(i, value);
    values_[i].enabled = !value.empty();
  }
  bool changed(std::size_t i) const;
  bool changed() const;

  // Check boxes and groups in terms of the page's on/off pair.
  static bool isOn(std::string_view value);
  bool checked(std::size_t i) const { return isSet(i, values_[i].value); }
  void setChecked(std::size_t i, bool on);
  std::vector<bool> groupStates(std::size_t i) const;
  void setGroup(std::size_t i, const std::vector<bool>& states);
  std::vector<std::string> groupTexts(std::size_t i) const;
  void setGroupTexts(std::size_t i, const std::vector<std::string>& texts);
  // Index of the current value among the choices (case-insensitive), -1 when none.
  int choiceIndex(std::size_t i) const;
  // A port's output: the preset's shown name and the period text.
  std::string outputPreset(std::size_t i) const;
  std::string outputPeriod(std::size_t i) const;
  void setOutput(std::size_t i, const std::string& preset, const std::string& period);
  // Text of a read-only value (print format applied).
  std::string shown(std::size_t i) const;

  // "" when the text passes the parameter's scan and range, else the page's message.
  std::string validate(std::size_t i) const;
  ApplyResult apply(ICommandSender& sender);
  // "%path%set,path,value\r\n" for every enabled parameter that can be set.
  void writeScript(std::string& out) const;
  // The value as sent ("{..}" groups, quotes where the receiver wants them).
  std::string sendValue(std::size_t i) const;
  std::string scriptValue(std::size_t i) const;
  // Takes a value as a setup script writes it.
  void setFromScript(std::size_t i, const std::string& text);

 private:
  // The path of the parameter the answer with this index belongs to (the page's name past the end).
  std::string readPath(std::size_t answerIndex) const;
  bool settable(std::size_t i) const;
  std::string normalise(std::size_t i, const std::string& answer) const;
  bool isSet(std::size_t i, const std::string& value) const;
  std::string periodCheck(ICommandSender& sender, const std::string& seconds);
  std::string applyOutput(ICommandSender& sender, std::size_t i);

  std::string name_;
  std::vector<ParamSpec> specs_;
  std::vector<Value> values_;
  Rule afterLoad_;
  bool loaded_ = false;
};
