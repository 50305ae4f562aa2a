// Shared set-up of the window tests: the program's windows created as the program's entry
// creates them, and the message boxes and dialogs replaced by recorders.
#pragma once

#include "cartoon/panel/Standard_s.h"
#include "core/codecs/PictureFiles.h"
#include "workspace/About_Us_s.h"
#include "workspace/ErrorBox.h"
#include "workspace/MainForm_s.h"
#include "workspace/PictureDialogs.h"

#include <QString>
#include <QTest>

#include <vector>

// Creates the main window, the about window and the panel; deletes them again.
struct TestWindows {
    TestWindows() {
        MainForm = new TMainForm;
        About_Us = new TAbout_Us(MainForm);
        Standard = new TStandard(MainForm);
        MainForm->show();
        (void)QTest::qWaitForWindowExposed(MainForm);
    }
    ~TestWindows() {
        delete MainForm;
        MainForm = nullptr;
        About_Us = nullptr;
        Standard = nullptr;
    }
    TestWindows(const TestWindows&) = delete;
    TestWindows& operator=(const TestWindows&) = delete;
};

// Records every message box instead of showing it; answers questions with a set reply.
struct MessageRecorder {
    std::vector<brimlet::ShownMessage> shown;
    std::vector<QString> questions;
    bool answer = true;
    MessageRecorder() {
        brimlet::SetMessageHook([this](const brimlet::ShownMessage& m) { shown.push_back(m); });
        brimlet::SetQuestionHook([this](const QString&, const QString& text) {
            questions.push_back(text);
            return answer;
        });
    }
    ~MessageRecorder() {
        brimlet::SetMessageHook({});
        brimlet::SetQuestionHook({});
    }
};

inline QString TestData(const char* name) {
    return QStringLiteral(BRIMLET_TEST_DATA "/") + QString::fromLatin1(name);
}

// The open dialog answers with this path ("" = cancel).
inline void ChooseOpenFile(const QString& path) {
    brimlet::SetOpenDialogHook([path](QWidget*) { return path; });
}

inline void ChooseSaveFile(const QString& path, int filterIndex) {
    brimlet::SetSaveDialogHook(
        [=](QWidget*) { return brimlet::SaveChoice{path, filterIndex}; });
}
