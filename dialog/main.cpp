#include <windows.h>

#include "shell.h"

namespace {
CScaleApp theApp;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return theApp.Run(instance); }
