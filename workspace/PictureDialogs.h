// The open-picture and save-picture dialogs behind small seams: window tests replace the
// dialogs with functions that return a chosen path, everything after the dialog stays real.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace brimlet {

// The open dialog's filter list, entries "description|pattern" joined by '|'.
inline const char* const kOpenFilter =
    "*.jpg|*.jpg|*.jpeg|*.jpeg|*.bmp|*.bmp|*.wmf|*.wmf|*.emf|*.emf|*.gif|*.gif|All files|*.*";
inline const char* const kSaveFilter = "*.jpg|*.jpg|*.bmp|*.bmp|*.wmf|*.wmf";

// Turns a "description|pattern|..." list into Qt name filters, in order. "*.*" becomes "*" so
// that "All files" also lists names without a dot.
QStringList NameFiltersFromList(const QString& list);

// What the save dialog returns: the chosen path and the chosen filter entry, numbered from 1
// (0 when the user cancelled).
struct SaveChoice {
    QString path;
    int filterIndex = 0;
};

// The dialogs. An empty path means the user cancelled.
QString RunOpenPictureDialog(QWidget* parent);
SaveChoice RunSavePictureDialog(QWidget* parent);

// Seams: a set hook replaces the dialog; an empty function restores it. Each returns the old one.
using OpenDialogHook = std::function<QString(QWidget*)>;
using SaveDialogHook = std::function<SaveChoice(QWidget*)>;
OpenDialogHook SetOpenDialogHook(OpenDialogHook hook);
SaveDialogHook SetSaveDialogHook(SaveDialogHook hook);

}  // namespace brimlet
