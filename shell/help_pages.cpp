#include "shell/help_pages.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

// Resources of a static library must be registered by hand.
static void InitHelpResource() { Q_INIT_RESOURCE(help); }

namespace vimbra {
namespace {

constexpr const char* kPages[] = {"index.html",      "viewer.html",  "hotkeys.html",
                                  "slideshows.html", "imaging.html", "help.css"};
constexpr const char* kShortcutMarker = "<!-- menu shortcuts -->";

}  // namespace

QString HelpPageFor(int context) {
    switch (context) {
        case 100: return QStringLiteral("viewer.html");
        case 103: return QStringLiteral("viewer.html#c103");
        case 500: return QStringLiteral("viewer.html#c500");
        case 104: return QStringLiteral("hotkeys.html");
        case 300: return QStringLiteral("slideshows.html");
        case 400: return QStringLiteral("imaging.html");
        default: return QStringLiteral("index.html");
    }
}

bool ExtractHelpPages(const QString& folder, const QString& shortcutRows) {
    InitHelpResource();
    if (!QDir().mkpath(folder)) return false;
    for (const char* page : kPages) {
        QFile in(QStringLiteral(":/help/") + QLatin1String(page));
        if (!in.open(QIODevice::ReadOnly)) return false;
        QByteArray bytes = in.readAll();
        if (QLatin1String(page) == QLatin1String("hotkeys.html"))
            bytes.replace(kShortcutMarker, shortcutRows.toUtf8());
        QSaveFile out(QDir(folder).filePath(QLatin1String(page)));
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
            return false;
    }
    return true;
}

QUrl HelpUrl(const QString& folder, int context) {
    const QString page = HelpPageFor(context);
    const qsizetype hash = page.indexOf(QLatin1Char('#'));
    QUrl url = QUrl::fromLocalFile(QDir(folder).filePath(hash < 0 ? page : page.left(hash)));
    if (hash >= 0) url.setFragment(page.mid(hash + 1));
    return url;
}

QString ShortcutRow(const QString& item, const QString& keys) {
    return QStringLiteral("<tr><td>%1</td><td><kbd>%2</kbd></td></tr>\n")
        .arg(item.toHtmlEscaped(), keys.toHtmlEscaped());
}

}  // namespace vimbra
