#include "workspace/RecentFolder.h"

#include <QFileInfo>
#include <QSettings>

namespace brimlet {

namespace {

const QString kKey = QStringLiteral("Dialogs/PictureFolder");

// Named explicitly, so the file is the same whichever names the application object carries.
const QString kOrganisation = QStringLiteral("Brimlet");
const QString kProgram = QStringLiteral("Brimlet");

}  // namespace

QString RecentPictureFolder() {
    const QSettings settings(kOrganisation, kProgram);
    if (settings.status() != QSettings::NoError) return {};
    const QString folder = settings.value(kKey).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void RememberPictureFolder(const QString& chosenFile) {
    const QString folder = QFileInfo(chosenFile).absolutePath();
    if (folder.isEmpty()) return;
    QSettings settings(kOrganisation, kProgram);
    if (settings.status() != QSettings::NoError) return;
    settings.setValue(kKey, folder);
}

}  // namespace brimlet
