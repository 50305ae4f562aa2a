// The two commands that reach outside the program: "Tell a friend" hands the result to the
// user's mail program as an attachment, "Online" opens the product's home page.
#pragma once

#include "core/Image32.h"

#include <QString>

class QWidget;

namespace brimlet {

// The folder for mywork.jpg: the program's own folder when it can be written, otherwise the
// user's data folder for the program (created when needed).
QString AttachmentFolder(const QString& programFolder);

// The message text of "Tell a friend", lines separated by CR LF.
QString TellAFriendBody();

// Writes the result as mywork.jpg (quality 90) and opens a prepared message with it
// attached. A failed write throws brimlet::PictureError and no mail is prepared. When the
// mail program cannot be started (SendMail gives anything but 0) it throws
// std::runtime_error with MailFailureText, for the general error box; the file stays written.
void TellAFriend(const TBitmap32& result, QWidget* window);

// Opens the home page in the default browser; when no browser can be started it throws
// std::runtime_error with BrowserFailureText.
void OpenHomePage(QWidget* window);

// What the user is told: what could not be started and which package provides it.
QString MailFailureText(bool xdgEmailFound, int status);
QString BrowserFailureText(const QString& address);

}  // namespace brimlet
