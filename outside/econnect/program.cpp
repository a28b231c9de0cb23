// The stand-in programs "econnect.exe" and "ecce.exe": they exist to be found through the App Paths
// entry and to carry version resources; started, they end at once.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
