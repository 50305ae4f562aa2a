// The open dialog's preview pane: a small picture of the file under the cursor.
#pragma once

#include <QLabel>

namespace brimlet {

class PicturePreview : public QLabel {
    Q_OBJECT
public:
    explicit PicturePreview(QWidget* parent = nullptr);

public slots:
    // Shows the file, or nothing when it is no picture the program reads.
    void ShowFile(const QString& path);
};

}  // namespace brimlet
