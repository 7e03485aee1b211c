// The find and filter bar; see FindBar.h.
#include "app/FindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSizePolicy>
#include <QStyle>
#include <QToolButton>

namespace morvel {

FindBar::FindBar(QWidget* parent)
    : QWidget(parent),
      label_(new QLabel("Find:")),
      textBox_(new QLineEdit),
      next_(new QToolButton),
      previous_(new QToolButton),
      case_(new QCheckBox("Match &case")),
      close_(new QToolButton) {
  setObjectName("findBar");
  textBox_->setObjectName("findText");
  next_->setObjectName("findNext");
  previous_->setObjectName("findPrevious");
  case_->setObjectName("findCase");
  close_->setObjectName("findClose");
  next_->setText("&Next");
  previous_->setText("&Previous");
  close_->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
  close_->setToolTip("Close");
  close_->setAutoRaise(true);
  textBox_->setClearButtonEnabled(true);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->setSpacing(4);
  layout->addWidget(close_);
  layout->addWidget(label_);
  layout->addWidget(textBox_, 1);
  layout->addWidget(next_);
  layout->addWidget(previous_);
  layout->addWidget(case_);
  // One line high, whatever room the page has: the grid takes the rest.
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  textBox_->installEventFilter(this);
  connect(next_, &QToolButton::clicked, this, [this] {
    if (onFind) onFind(true);
  });
  connect(previous_, &QToolButton::clicked, this, [this] {
    if (onFind) onFind(false);
  });
  connect(close_, &QToolButton::clicked, this, [this] { closeBar(); });
  connect(textBox_, &QLineEdit::textEdited, this, [this] {
    if (mode_ == Mode::filter && !settingText_ && onFilterEdited) onFilterEdited();
  });
  hide();
}

void FindBar::open(Mode mode) {
  if (mode != mode_) {
    // Each mode keeps its own text.
    (mode_ == Mode::find ? findText_ : filterText_) = text();
    mode_ = mode;
    settingText_ = true;
    textBox_->setText(QString::fromStdString(mode == Mode::find ? findText_ : filterText_));
    settingText_ = false;
  }
  const bool find = mode == Mode::find;
  label_->setText(find ? "Find:" : "Filter:");
  next_->setVisible(find);
  previous_->setVisible(find);
  case_->setVisible(find);
  textBox_->setPlaceholderText(find ? "Text to find" : "Show rows containing");
  show();
  textBox_->setFocus(Qt::ShortcutFocusReason);
  textBox_->selectAll();
}

std::string FindBar::text() const { return textBox_->text().toStdString(); }

void FindBar::setText(Mode mode, const std::string& text) {
  if (mode == mode_) {
    settingText_ = true;
    textBox_->setText(QString::fromStdString(text));
    settingText_ = false;
  } else {
    (mode == Mode::find ? findText_ : filterText_) = text;
  }
}

bool FindBar::matchCase() const { return case_->isChecked(); }

void FindBar::closeBar() {
  hide();
  if (onClosed) onClosed();
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == textBox_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
      closeBar();
      return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      if (mode_ == Mode::find) {
        if (onFind) onFind(!(key->modifiers() & Qt::ShiftModifier));
      } else if (onFilterEntered) {
        onFilterEntered();
      }
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace morvel
