#pragma once
// The bundled help: pages compiled into the program, written out to a folder
// on first use so the desktop's browser can show them, one page or anchor per
// help context.
#include <QString>
#include <QUrl>

namespace vimbra {

// Page (and anchor) of a help context: 0 index, 100 viewer, 103 and 500 the
// options pages, 104 hotkeys, 300 bookmarks and shows, 400 imaging. Unknown
// contexts give the index.
QString HelpPageFor(int context);

// Writes the pages into `folder` (created when missing), the hotkeys page with
// `shortcutRows` (table rows) in place of its marker. False when a page could
// not be written.
bool ExtractHelpPages(const QString& folder, const QString& shortcutRows);

// The file URL of a context's page inside `folder`.
QUrl HelpUrl(const QString& folder, int context);

// One row of the shortcut table, escaped for HTML.
QString ShortcutRow(const QString& item, const QString& keys);

}  // namespace vimbra
