// The main window's dialogs and error box; see AppDialogs.h.
#include "app/AppDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include "base/Exception.h"

namespace morvel {

namespace {

FileDialog::Handler& dialogHandler() {
  static FileDialog::Handler handler;
  return handler;
}

ErrorBoxHandler& errorHandler() {
  static ErrorBoxHandler handler;
  return handler;
}

QuestionHandler& questionHandler() {
  static QuestionHandler handler;
  return handler;
}

QString fromBytes(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

FileDialog::FileDialog(FileDialogKind kind, std::string name)
    : kind_(kind), name_(std::move(name)) {}

FileDialog::Handler FileDialog::setHandler(Handler handler) {
  return std::exchange(dialogHandler(), std::move(handler));
}

std::string FileDialog::withDefaultExt(const std::string& name) const {
  if (name.empty() || defaultExt_.empty()) return name;
  const std::size_t slash = name.rfind('/');
  const std::string_view last =
      std::string_view(name).substr(slash == std::string::npos ? 0 : slash + 1);
  if (last.empty() || last.find('.') != std::string_view::npos) return name;
  return name + "." + defaultExt_;
}

QString FileDialog::qtFilter() const {
  // "Name|pattern|Name|pattern" becomes "Name (pattern pattern-in-lower-case);;...".
  const QStringList parts = fromBytes(filter_).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
    for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      if (pattern.toLower() != pattern) patterns.append(pattern.toLower());
    }
    filters.append(parts[i] + " (" + patterns.join(' ') + ")");
  }
  return filters.join(";;");
}

std::optional<std::string> FileDialog::runQtDialog(QWidget* parent) const {
  QFileDialog dialog(parent);
  // Qt's own dialog: the same on every desktop, and one that input tools
  // can drive.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilter(qtFilter());
  dialog.setDefaultSuffix(fromBytes(defaultExt_));
  if (kind_ == FileDialogKind::save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !overwritePrompt_);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The file need not exist: a missing one is simply not opened.
    dialog.setFileMode(QFileDialog::AnyFile);
  }
  if (!directory_.empty()) dialog.setDirectory(fromBytes(directory_));
  if (!fileName_.empty()) dialog.selectFile(fromBytes(fileName_));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

bool FileDialog::execute(QWidget* parent) {
  const std::optional<std::string> chosen =
      dialogHandler() ? dialogHandler()(*this) : runQtDialog(parent);
  if (!chosen) return false;
  std::string name = withDefaultExt(*chosen);
  if (!name.empty()) name = QFileInfo(fromBytes(name)).absoluteFilePath().toStdString();
  fileName_ = name;
  return true;
}

std::string errorBoxText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
    text += '.';
  }
  return text;
}

ErrorBoxHandler setErrorBoxHandler(ErrorBoxHandler handler) {
  return std::exchange(errorHandler(), std::move(handler));
}

void showErrorBox(QWidget* parent, std::string_view message) {
  const std::string title = "Morvel";
  const std::string text = errorBoxText(message);
  if (errorHandler()) {
    errorHandler()(title, text);
    return;
  }
  QMessageBox box(QMessageBox::Critical, fromBytes(title), fromBytes(text), QMessageBox::Ok,
                  parent);
  box.exec();
}

QuestionHandler setQuestionHandler(QuestionHandler handler) {
  return std::exchange(questionHandler(), std::move(handler));
}

bool askYesNo(QWidget* parent, std::string_view text) {
  if (questionHandler()) return questionHandler()(std::string(text));
  QMessageBox box(QMessageBox::Question, "Morvel", fromBytes(text),
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void runCommand(QWidget* parent, const std::function<void()>& command) {
  try {
    command();
  } catch (const Abort&) {
    // Silent by design.
  } catch (const std::exception& e) {
    showErrorBox(parent, e.what());
  }
}

}  // namespace morvel
