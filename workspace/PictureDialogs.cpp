#include "workspace/PictureDialogs.h"

#include "workspace/PicturePreview.h"
#include "workspace/RecentFolder.h"

#include <QFileDialog>
#include <QGridLayout>

namespace brimlet {

namespace {
OpenDialogHook& openHook() {
    static OpenDialogHook hook;
    return hook;
}
SaveDialogHook& saveHook() {
    static SaveDialogHook hook;
    return hook;
}
}  // namespace

QStringList NameFiltersFromList(const QString& list) {
    const QStringList parts = list.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        filters << QStringLiteral("%1 (%2)").arg(parts[i], pattern);
    }
    return filters;
}

OpenDialogHook SetOpenDialogHook(OpenDialogHook hook) {
    std::swap(openHook(), hook);
    return hook;
}

SaveDialogHook SetSaveDialogHook(SaveDialogHook hook) {
    std::swap(saveHook(), hook);
    return hook;
}

QString RunOpenPictureDialog(QWidget* parent) {
    if (openHook()) return openHook()(parent);
    // Qt's own dialog, not the desktop's, so that the preview pane can sit beside the list.
    QFileDialog dialog(parent, QStringLiteral("Open"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (const QString folder = RecentPictureFolder(); !folder.isEmpty()) dialog.setDirectory(folder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(NameFiltersFromList(QString::fromLatin1(kOpenFilter)));
    auto* preview = new PicturePreview(&dialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, &PicturePreview::ShowFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    RememberPictureFolder(dialog.selectedFiles().first());
    return dialog.selectedFiles().first();
}

SaveChoice RunSavePictureDialog(QWidget* parent) {
    if (saveHook()) return saveHook()(parent);
    QFileDialog dialog(parent, QStringLiteral("Save as"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The command asks before overwriting, once it knows the name really written.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (const QString folder = RecentPictureFolder(); !folder.isEmpty()) dialog.setDirectory(folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = NameFiltersFromList(QString::fromLatin1(kSaveFilter));
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    RememberPictureFolder(dialog.selectedFiles().first());
    return SaveChoice{dialog.selectedFiles().first(),
                      int(filters.indexOf(dialog.selectedNameFilter())) + 1};
}

}  // namespace brimlet
