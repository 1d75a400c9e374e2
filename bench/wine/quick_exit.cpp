// A program that ends at once: what the footprint benchmark binds to a gesture. It appends one
// byte to the file named on its command line, so the benchmark can count how many really ran.
// A GUI program, so that starting it costs no console.
#include <windows.h>

#include <shellapi.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments || count < 2) return 1;
  const HANDLE file =
      CreateFileW(arguments[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  LocalFree(arguments);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, "x", 1, &written, nullptr);
  CloseHandle(file);
  return ok && written == 1 ? 0 : 1;
}
