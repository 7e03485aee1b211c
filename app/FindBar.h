// The bar under the grid in which the user types what to find or what to
// filter by: a text box, Next and Previous, a case option and a close
// button. It only reports what the user does; FindFilter acts on it.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace morvel {

class FindBar : public QWidget {
 public:
  enum class Mode { find, filter };

  explicit FindBar(QWidget* parent = nullptr);

  // Shows the bar in the mode, with the text of that mode selected and the
  // keyboard focus in the text box.
  void open(Mode mode);
  Mode mode() const { return mode_; }
  std::string text() const;
  // Sets the mode's text without telling anyone (a new file, a value from
  // the header menu).
  void setText(Mode mode, const std::string& text);
  bool matchCase() const;

  QLineEdit* textBox() const { return textBox_; }
  QToolButton* nextButton() const { return next_; }
  QToolButton* previousButton() const { return previous_; }
  QCheckBox* caseBox() const { return case_; }
  QToolButton* closeButton() const { return close_; }

  // Enter or Next (forward), Shift+Enter or Previous (back).
  std::function<void(bool forward)> onFind;
  // The filter text was changed by typing; Enter applies it at once.
  std::function<void()> onFilterEdited;
  std::function<void()> onFilterEntered;
  // Escape or the close button; the bar is already hidden.
  std::function<void()> onClosed;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void closeBar();

  Mode mode_ = Mode::find;
  std::string findText_;
  std::string filterText_;
  bool settingText_ = false;
  QLabel* label_;
  QLineEdit* textBox_;
  QToolButton* next_;
  QToolButton* previous_;
  QCheckBox* case_;
  QToolButton* close_;
};

}  // namespace morvel
