// The folder the open and save dialogs start in: the one the user last chose a picture in,
// kept in the user's settings file ($XDG_CONFIG_HOME/Brimlet/Brimlet.conf). A missing or
// unreadable settings file, or a remembered folder that is gone, just means no folder.
#pragma once

#include <QString>

namespace brimlet {

// The remembered folder when it still exists; empty otherwise.
QString RecentPictureFolder();

// Remembers the folder of a file the user chose in a dialog; failures to write are ignored.
void RememberPictureFolder(const QString& chosenFile);

}  // namespace brimlet
