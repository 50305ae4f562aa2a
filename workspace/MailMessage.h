// A prepared mail message in the shape of the classic simple-mail records (message,
// recipient, attached file), built from a description of "key=value" lines, and its
// hand-over to the desktop's mail program through xdg-email.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class QWidget;

namespace brimlet {

inline constexpr unsigned long kMailTo = 1;          // recipient class "to"
inline constexpr unsigned long kMailLogonUi = 1;     // log on with user interface
inline constexpr unsigned long kMailNewSession = 2;  // in a new session
inline constexpr unsigned long kMailDialog = 8;      // show the compose window

struct MailRecipient {
    unsigned long recipientClass = kMailTo;
    QString name;
    QString address;  // "SMTP:" followed by the mail address
};

struct MailFile {
    unsigned long flags = 0;
    long position = -1;  // not placed inside the text
    QString pathName;
    QString fileName;  // the part of the path after its last folder separator
};

struct MailMessage {
    QString subject;
    QString noteText;
    std::vector<MailRecipient> recipients;
    std::vector<MailFile> files;
    unsigned long flags = 0;
};

// The value of the first line "key=..." (keys compare without regard to case); empty when
// the key is missing.
QString DescriptionValue(const QStringList& description, const QString& key);

// Builds the records: subject and note text when not empty, one "to" recipient when "to"
// is not empty, and the files "attachment0", "attachment1", ... up to the first empty or
// missing number. Flags: log on with user interface and new session, plus the compose
// window when there is a parent window (11 with a window, 3 without).
MailMessage BuildMailMessage(const QStringList& description, bool hasWindow);

// The xdg-email arguments that preset the compose window with the message.
QStringList XdgEmailArguments(const MailMessage& message);

// Hands the message to the user's mail program and returns xdg-email's exit status; 1 when
// xdg-email is not installed or cannot be started, without doing anything else. Waits for
// the hand-over to finish, repainting windows meanwhile but taking no user input.
int SendMail(QWidget* window, const QStringList& description);

}  // namespace brimlet
