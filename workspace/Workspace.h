// The program's windows, one instance each for the program's lifetime, created by the
// program's entry in this order: MainForm, ViewForm, About_Us, Standard, Print_Setup.
// A window not created (yet) is nullptr; commands that would show it do nothing then.
#pragma once

class TMainForm;
class TAbout_Us;
class TStandard;
class TPrint_Setup;

extern TMainForm* MainForm;
extern TAbout_Us* About_Us;
extern TStandard* Standard;
extern TPrint_Setup* Print_Setup;
