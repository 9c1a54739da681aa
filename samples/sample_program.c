/* A stand-in for a program of the platform (the runtime's wrun32.exe, the client's qel.exe)
   in the sample packages: it only opens a window that says what it is and how it was
   started, so an installation made from the samples can be checked by hand. */
#include <stdio.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR arguments, int show) {
  char text[1024];
  char path[MAX_PATH] = "";
  (void)instance;
  (void)previous;
  (void)show;
  GetModuleFileNameA(NULL, path, MAX_PATH);
  snprintf(text, sizeof(text),
           "Programma di esempio della Piattaforma ZAV: %s\n\n"
           "Non è il vero programma: fa parte dei pacchetti di prova del setup.\n\n"
           "Percorso: %s\nArgomenti: %s",
           SAMPLE_NAME, path, arguments);
  MessageBoxA(NULL, text, "Piattaforma ZAV - " SAMPLE_NAME, MB_OK | MB_ICONINFORMATION);
  return 0;
}
