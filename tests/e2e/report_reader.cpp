// Waits up to the given milliseconds for the launcher's failure report,
// writes its caption, its text and the screen rectangles of the box and of
// its OK button ("left top right bottom"), each NUL-terminated, to the
// output file and presses OK. With "--keep" it leaves the box open (for a
// screenshot).
// Exits 0 when the box was found, 1 when it never appeared.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static std::string windowText(HWND window) {
  std::string text(GetWindowTextLengthA(window) + 1, '\0');
  text.resize(GetWindowTextA(window, text.data(), static_cast<int>(text.size())));
  return text;
}

static std::string windowRect(HWND window) {
  RECT rect = {};
  if (window == nullptr || !GetWindowRect(window, &rect))
    return "none";
  return std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
         std::to_string(rect.right) + " " + std::to_string(rect.bottom);
}

int main(int argc, char** argv) {
  if (argc < 3)
    return 100;
  const char* caption = "Error starting Veltrane";
  const DWORD deadline = GetTickCount() + std::strtoul(argv[2], nullptr, 10);
  // The box exists before its text is filled in; it is shown only after.
  HWND box = FindWindowA(nullptr, caption);
  while ((box == nullptr || !IsWindowVisible(box)) && GetTickCount() < deadline) {
    Sleep(20);
    box = FindWindowA(nullptr, caption);
  }
  if (box == nullptr || !IsWindowVisible(box))
    return 1;

  const std::string fields[] = {windowText(box), windowText(GetDlgItem(box, 0xFFFF)),
                                windowRect(box), windowRect(GetDlgItem(box, IDOK))};
  FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr)
    return 101;
  for (const std::string& field : fields)
    std::fwrite(field.c_str(), 1, field.size() + 1, out);
  std::fclose(out);

  if (argc < 4 || std::strcmp(argv[3], "--keep") != 0) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  }
  return 0;
}
