// The main window's dialogs: the open and save file dialogs and the error
// message box. Each goes through a process-wide handler that tests replace,
// so that no test ever waits for a person; by default the handlers show the
// real Qt dialogs.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace morvel {

enum class FileDialogKind { open, save };

// One file dialog ("diOpen", "diSave"): its settings and the last name
// chosen in it.
class FileDialog {
 public:
  FileDialog(FileDialogKind kind, std::string name);

  FileDialogKind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  // "Name|pattern" pairs, as "CSV|*.CSV".
  const std::string& filter() const { return filter_; }
  void setFilter(std::string_view filter) { filter_ = filter; }
  // Added (after a ".") to a chosen name that has no extension.
  const std::string& defaultExt() const { return defaultExt_; }
  void setDefaultExt(std::string_view ext) { defaultExt_ = ext; }
  // Save dialogs: ask before an existing file is replaced.
  bool overwritePrompt() const { return overwritePrompt_; }
  void setOverwritePrompt(bool prompt) { overwritePrompt_ = prompt; }
  // The name the dialog opens with, and after a confirmed run the full path
  // chosen.
  const std::string& fileName() const { return fileName_; }
  void setFileName(std::string_view name) { fileName_ = name; }

  // The folder the dialog starts in (empty: Qt's choice).
  const std::string& directory() const { return directory_; }
  void setDirectory(std::string_view directory) { directory_ = directory; }

  // Shows the dialog; true when the user confirmed a name, which then is
  // fileName() as a full path with the default extension added if needed.
  bool execute(QWidget* parent);

  // The name with the default extension added when its last path part has
  // no "." in it.
  std::string withDefaultExt(const std::string& name) const;
  // The filter in Qt's form ("CSV (*.CSV *.csv)"): patterns match in either
  // case, as users of case-sensitive file systems expect.
  QString qtFilter() const;

  // Test seam: answers every dialog instead of the user (none: the real
  // dialog). The handler gets the dialog and returns the typed name, or
  // nothing for Cancel. Returns the previous handler.
  using Handler = std::function<std::optional<std::string>(const FileDialog&)>;
  static Handler setHandler(Handler handler);

 private:
  std::optional<std::string> runQtDialog(QWidget* parent) const;

  FileDialogKind kind_;
  std::string name_;
  std::string filter_;
  std::string defaultExt_;
  bool overwritePrompt_ = false;
  std::string fileName_;
  std::string directory_;
};

// The text an error box shows for a failure's message: the message with a
// full stop added when it is not empty and its last byte sorts after ".".
std::string errorBoxText(std::string_view message);

// Shows a failure in a message box with an error icon and an OK button,
// titled "Morvel" (the application's title).
void showErrorBox(QWidget* parent, std::string_view message);

// Test seam for showErrorBox: gets the title and the text instead of a box
// being shown. Returns the previous handler.
using ErrorBoxHandler = std::function<void(const std::string& title, const std::string& text)>;
ErrorBoxHandler setErrorBoxHandler(ErrorBoxHandler handler);

// Asks a question in a message box with Yes and No buttons, titled
// "Morvel"; true when the answer is Yes. No is the default, so a hurried
// Enter changes nothing.
bool askYesNo(QWidget* parent, std::string_view text);

// Test seam for askYesNo: answers instead of the user, given the text.
// Returns the previous handler.
using QuestionHandler = std::function<bool(const std::string& text)>;
QuestionHandler setQuestionHandler(QuestionHandler handler);

// Runs a command of the user interface; a failure it raises is shown in the
// error box (an Abort shows nothing) and goes no further, so the window
// stays usable.
void runCommand(QWidget* parent, const std::function<void()>& command);

}  // namespace morvel
