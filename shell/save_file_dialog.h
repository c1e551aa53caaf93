#pragma once
// Save dialogs whose overwrite question is about the name that will really be
// written: a typed name gets its extension before the question, not after.
#include <functional>

#include <QString>

class QFileDialog;
class QWidget;

namespace vimbra {

// Turns the name the dialog returned into the one to write (the extension
// rule of the caller); empty keeps it.
using SaveNameRule = std::function<QString(const QString& chosen)>;

// The list files' rule: `extension` added unless the name ends with it (any case).
SaveNameRule EnsureExtension(const QString& extension);

// Runs a save dialog until a name is settled: when the completed name exists
// the user is asked whether to replace it, and No goes back to the dialog.
// The completed path, or empty when cancelled.
QString ExecSaveDialog(QFileDialog& dialog, const SaveNameRule& complete = {});

// A save dialog with one filter and `suffix` (".vbl") added to a name typed
// without one.
QString AskSaveFileName(QWidget* parent, const QString& title, const QString& start,
                        const QString& filter, const QString& suffix,
                        const SaveNameRule& complete = {});

}  // namespace vimbra
