// The program entry: the application object, the main window, the message loop.
#include "app/Entry.h"
#include "app/fMain.h"

int main(int argc, char** argv) {
  if (const int answered = PlatformCommandLine(argc, argv); answered >= 0) return answered;
  PlatformStart();
  try {
    Application->Initialize();
    Application->SetTitle("tavix");
    Application->CreateForm(Form1);
    // Nothing to do: end before the loop, leaving the settings file as it was.
    if (const int status = PlatformReady(Form1->btnStart->Caption() == "Stop"); status >= 0) {
      PlatformStop();
      return status;
    }
    Application->Run();
  } catch (const std::exception& e) {
    PlatformFatal(e.what());
    return 1;
  }
  return PlatformStop();
}
