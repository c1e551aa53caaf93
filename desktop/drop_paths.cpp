#include "desktop/drop_paths.h"

#include <QDir>
#include <QFileInfo>

namespace vimbra {

std::vector<std::string> ExpandDroppedPaths(const std::vector<std::string>& paths) {
    std::vector<std::string> out;
    for (const std::string& path : paths) {
        const QFileInfo info(QString::fromStdString(path));
        if (info.isFile()) {
            out.push_back(path);
        } else if (info.isDir()) {
            const QDir dir(info.absoluteFilePath());
            for (const QFileInfo& f : dir.entryInfoList(QDir::Files, QDir::Name))
                out.push_back(f.absoluteFilePath().toStdString());
        }
    }
    return out;
}

}  // namespace vimbra
