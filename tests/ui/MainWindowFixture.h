// Shared set-up of the window tests: the program's windows created as the program's entry
// creates them, and the message boxes and dialogs replaced by recorders.
#pragma once

#include "cartoon/panel/Standard_s.h"
#include "core/codecs/PictureFiles.h"
#include "workspace/About_Us_s.h"
#include "workspace/ErrorBox.h"
#include "workspace/MainForm_s.h"
#include "workspace/PictureDialogs.h"
#include "workspace/SaveQuestion.h"

#include <QString>
#include <QStringList>
#include <QTest>

#include <vector>

// Creates the main window, the about window and the panel; deletes them again. The
// question before an unsaved result is discarded is answered Discard meanwhile, so a test
// that opens one picture after another never waits on a dialog.
struct TestWindows {
    TestWindows() {
        brimlet::SetSaveQuestionHook([](const QString&) { return brimlet::TSaveAnswer::kDiscard; });
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
        brimlet::SetSaveQuestionHook({});
    }
    TestWindows(const TestWindows&) = delete;
    TestWindows& operator=(const TestWindows&) = delete;
};

// Records every message box instead of showing it; answers questions with a set reply.
// "Save the cartoon before ...?" is answered Discard unless a test says otherwise.
struct MessageRecorder {
    std::vector<brimlet::ShownMessage> shown;
    std::vector<QString> questions;
    bool answer = true;
    QStringList saveQuestions;
    brimlet::TSaveAnswer saveAnswer = brimlet::TSaveAnswer::kDiscard;
    MessageRecorder() {
        brimlet::SetMessageHook([this](const brimlet::ShownMessage& m) { shown.push_back(m); });
        brimlet::SetQuestionHook([this](const QString&, const QString& text) {
            questions.push_back(text);
            return answer;
        });
        previousSaveHook = brimlet::SetSaveQuestionHook([this](const QString& text) {
            saveQuestions << text;
            return saveAnswer;
        });
    }
    ~MessageRecorder() {
        brimlet::SetMessageHook({});
        brimlet::SetQuestionHook({});
        brimlet::SetSaveQuestionHook(previousSaveHook);
    }
    brimlet::SaveQuestionHook previousSaveHook;
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
