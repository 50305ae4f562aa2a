#include "workspace/PicturePreview.h"

#include "core/codecs/PictureFiles.h"

#include <QFileInfo>
#include <QImage>
#include <QPixmap>

namespace brimlet {

namespace {
constexpr int kPreviewSide = 180;
// Larger files are not decoded just to preview them; the dialog stays responsive.
constexpr qint64 kMaxPreviewBytes = 64ll * 1024 * 1024;
}  // namespace

PicturePreview::PicturePreview(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("Preview"));
    setAccessibleName(QStringLiteral("Preview"));
    setFixedSize(kPreviewSide, kPreviewSide);
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::StyledPanel);
}

void PicturePreview::ShowFile(const QString& path) {
    clear();
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxPreviewBytes) return;
    try {
        const auto picture = LoadPicture(path.toStdString());
        if (!picture || picture->Empty()) return;
        const QImage view(picture->Bits(), picture->Width(), picture->Height(),
                          qsizetype(picture->Stride()), QImage::Format_RGB32);
        setPixmap(QPixmap::fromImage(view.scaled(size() - QSize(4, 4), Qt::KeepAspectRatio,
                                                 Qt::SmoothTransformation)));
        setToolTip(QStringLiteral("%1 x %2").arg(picture->Width()).arg(picture->Height()));
    } catch (...) {
        // A file that does not decode simply has no preview; opening it reports why.
    }
}

}  // namespace brimlet
