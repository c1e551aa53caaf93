#pragma once
// The list dialog: review a list of paths or names, keep, remove or pick
// entries. The dialog works on a copy; the caller's list changes only on Ok.
#include <functional>
#include <string>
#include <vector>

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

namespace vimbra {

enum ListDialogMode : int {
    kListEffects = 0,       // slide effect choice
    kListConvertFirst = 2,  // 2 + save format number: batch conversion
    kListConvertLast = 199,
    kListFileOps = 200,     // batch move, recycle, rename; associations
    kListBookmarks = 410,   // the bookmark view
};

// The list, its selection and the mode's rules, without any widget.
class ListModel {
public:
    using FileExists = std::function<bool(const QString&)>;

    // Mode 0 preselects the entries whose flag is set; conversion modes keep
    // the existing image files only (all selected); mode 200 selects all;
    // mode 410 selects the entry equal to currentPath ignoring case.
    ListModel(int mode, QStringList entries, const std::vector<bool>& effectFlags = {},
              const QString& currentPath = {}, FileExists exists = {});

    int mode() const { return mode_; }
    const QStringList& entries() const { return entries_; }
    const std::vector<bool>& selected() const { return selected_; }
    int count() const { return int(entries_.size()); }
    // "12 item(s)"
    QString countText() const;

    void setSelected(int index, bool on);
    void selectOnly(int index);
    // Delete key.
    void removeSelected();
    // "Cl&ear" in mode 0: nothing selected but the first entry.
    void clearToFirst();
    // "&Sort all": case-insensitive sort, equal neighbours dropped, missing
    // files removed, the current path selected again.
    void sortAll();

    // The entries selected, in order (Ok in the conversion and file modes).
    QStringList selectedEntries() const;
    // Index of the first selected entry, 0 when none (Ok in mode 410).
    int selectedIndex() const;
    // Flags per entry for mode 0's table.
    std::vector<bool> selectionFlags() const { return selected_; }

    static bool IsConvertible(const QString& path);  // by extension
    bool isConvertMode() const { return mode_ >= kListConvertFirst && mode_ <= kListConvertLast; }
    static int HelpContext(int mode);

private:
    int mode_;
    QStringList entries_;
    std::vector<bool> selected_;
    QString currentPath_;
    FileExists exists_;
};

struct ListDialogOptions {
    QString currentPath;                        // mode 410
    std::vector<bool>* effectFlags = nullptr;   // mode 0: read, and written on Ok
    std::function<void()> settings;             // mode 2: the JPEG Compression Wizard
    std::function<void(int context)> help;
    ListModel::FileExists exists;               // default: an existing regular file
};

class ListDialog : public QDialog {
    Q_OBJECT
public:
    ListDialog(int mode, const QString& caption, const QStringList& list,
             const ListDialogOptions& options, QWidget* parent = nullptr);

    ListModel& model() { return model_; }
    QLabel* headerLabel() const { return label_; }
    QLabel* countPanel() const { return countPanel_; }
    QPushButton* firstButton() const { return btnFirst_; }
    QPushButton* okButton() const { return btnOk_; }
    QListWidget* listView() const { return view_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();
    void viewSelectionChanged();
    void firstButtonClick();

    ListModel model_;
    ListDialogOptions options_;
    bool refreshing_ = false;
    QLabel *label_, *countPanel_;
    QListWidget* view_;
    QPushButton *btnFirst_, *btnOk_, *btnCancel_, *btnHelp_;
};

// Shows the dialog modally. −1 when cancelled (list untouched). On Ok: mode
// 410 replaces list with the dialog's entries and returns the selected index;
// conversion and file modes replace list with the selected entries and return
// their number; mode 0 writes the flags and returns the number selected.
int ShowListDialog(QWidget* parent, int mode, const QString& caption, QStringList& list,
                   const ListDialogOptions& options = {});

}  // namespace vimbra
