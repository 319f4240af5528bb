#include <windows.h>

#include "stop_signal.h"

namespace demosite {
namespace {

HANDLE stopEvent = nullptr;

// Runs on a thread of its own that the system starts; the process ends when
// it returns for the console closing, so that case waits for the stop.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  SetEvent(stopEvent);
  if (event == CTRL_CLOSE_EVENT) Sleep(INFINITE);
  return TRUE;
}

}  // namespace

void CatchStopSignals() {
  stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void WaitForStopSignal() { WaitForSingleObject(stopEvent, INFINITE); }

}  // namespace demosite
