#include "app/ProgramWindows.h"

#include "cartoon/panel/Standard_s.h"
#include "printing/Print_Setup_s.h"
#include "workspace/About_Us_s.h"
#include "workspace/MainForm_s.h"
#include "workspace/ViewForm_s.h"
#include "workspace/Workspace.h"

namespace brimlet {

void CreateProgramWindows() {
    MainForm = new TMainForm;
    ViewForm = new TViewForm(MainForm);
    About_Us = new TAbout_Us(MainForm);
    Standard = new TStandard(MainForm);
    Print_Setup = new TPrint_Setup(MainForm);
    Print_Setup->SetResultSource(
        []() -> const TBitmap32& { return MainForm->Image2->Picture(); });
    MainForm->show();
}

void DestroyProgramWindows() {
    delete MainForm;  // its children, the secondary windows, go with it
    MainForm = nullptr;
    About_Us = nullptr;
    Standard = nullptr;
    Print_Setup = nullptr;
}

}  // namespace brimlet
