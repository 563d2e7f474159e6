#pragma once
// Modal file and folder dialogs and the progress dialog.

#include "adsk/core/Base.h"

#include <memory>
#include <string>
#include <vector>

namespace adsk::sim {
enum class ProgressAction : int;
namespace detail {
struct HostState;
}
}

namespace adsk::core {

enum DialogResults {
    DialogError = -1,
    DialogOK = 0,
    DialogCancel = 1,
    DialogYes = 2,
    DialogNo = 3,
};

class FileDialog : public Base {
public:
    explicit FileDialog(std::shared_ptr<sim::detail::HostState> state);
    static const char* classType() { return "adsk::core::FileDialog"; }
    const char* objectType() const override { return classType(); }

    std::string title() const;
    bool title(const std::string& value);
    // Entries like "Templates (*.ptf;*.txt)", separated by ";;".
    std::string filter() const;
    bool filter(const std::string& value);
    // 0-based.
    int filterIndex() const;
    bool filterIndex(int value);
    std::string initialDirectory() const;
    bool initialDirectory(const std::string& value);
    std::string initialFilename() const;
    bool initialFilename(const std::string& value);
    bool isMultiSelectEnabled() const;
    bool isMultiSelectEnabled(bool value);

    // Full path of the chosen file (the first one with multi-select).
    std::string filename() const;
    std::vector<std::string> filenames() const;

    DialogResults showOpen();
    DialogResults showSave();

private:
    DialogResults show(bool forSave);

    std::shared_ptr<sim::detail::HostState> state;
    std::string titleText;
    std::string filterText;
    int filterPosition = 0;
    std::string directory;
    std::string proposedName;
    bool multiSelect = false;
    std::vector<std::string> chosen;
};

class FolderDialog : public Base {
public:
    explicit FolderDialog(std::shared_ptr<sim::detail::HostState> state);
    static const char* classType() { return "adsk::core::FolderDialog"; }
    const char* objectType() const override { return classType(); }

    std::string title() const;
    bool title(const std::string& value);
    std::string initialDirectory() const;
    bool initialDirectory(const std::string& value);
    // Full path of the chosen folder; empty until a dialog ended with OK.
    std::string folder() const;

    DialogResults showDialog();

private:
    std::shared_ptr<sim::detail::HostState> state;
    std::string titleText;
    std::string directory;
    std::string chosen;
};

class ProgressDialog : public Base {
public:
    ProgressDialog(std::shared_ptr<sim::detail::HostState> state, int index);
    static const char* classType() { return "adsk::core::ProgressDialog"; }
    const char* objectType() const override { return classType(); }

    // In the message, %p is replaced by the percentage, %v by the value and
    // %m by the maximum. The delay is in seconds before the dialog appears.
    bool show(const std::string& title, const std::string& message, int minimumValue,
              int maximumValue, int delay = 0);
    bool hide();
    // Sets the value back to the minimum.
    bool reset();

    std::string title() const;
    bool title(const std::string& value);
    std::string message() const;
    bool message(const std::string& value);
    int minimumValue() const;
    bool minimumValue(int value);
    int maximumValue() const;
    bool maximumValue(int value);
    int progressValue() const;
    bool progressValue(int value);
    // Hidden unless set.
    bool isCancelButtonShown() const;
    bool isCancelButtonShown(bool value);
    // Refers to the last showing.
    bool wasCancelled() const;
    bool isShowing() const;

private:
    void record(sim::ProgressAction action);

    std::shared_ptr<sim::detail::HostState> state;
    int index;
    std::string titleText;
    std::string messageText;
    int minimum = 0;
    int maximum = 100;
    int current = 0;
    int delaySeconds = 0;
    bool cancelShown = false;
    bool showing = false;
};

} // namespace adsk::core
