// Waits up to the given milliseconds for the launcher's failure report,
// writes to the output file, each NUL-terminated: its caption and text read
// in the ANSI code page, the screen rectangles of the box and of its OK
// button ("left top right bottom"), and the caption and text once more read
// wide (stored as UTF-8); then presses OK. With "--keep" it leaves the box open (for a screenshot);
// "--caption=TEXT" (UTF-8) looks for that caption instead of Veltrane's.
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

static std::wstring wideFromUtf8(const char* text) {
  std::wstring value(MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, value.data(), static_cast<int>(value.size()));
  value.resize(value.size() - 1);  // the terminating NUL
  return value;
}

static std::string wideWindowText(HWND window) {
  std::wstring wide(GetWindowTextLengthW(window) + 1, L'\0');
  wide.resize(GetWindowTextW(window, wide.data(), static_cast<int>(wide.size())));
  std::string text(WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr),
                   '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, text.data(), static_cast<int>(text.size()),
                      nullptr, nullptr);
  text.resize(text.size() - 1);
  return text;
}

int main(int argc, char** argv) {
  if (argc < 3)
    return 100;
  bool keep = false;
  std::wstring caption = L"Error starting Veltrane";
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--keep") == 0)
      keep = true;
    else if (std::strncmp(argv[i], "--caption=", 10) == 0)
      caption = wideFromUtf8(argv[i] + 10);
  }
  const DWORD deadline = GetTickCount() + std::strtoul(argv[2], nullptr, 10);
  // The box exists before its text is filled in; it is shown only after.
  HWND box = FindWindowW(nullptr, caption.c_str());
  while ((box == nullptr || !IsWindowVisible(box)) && GetTickCount() < deadline) {
    Sleep(20);
    box = FindWindowW(nullptr, caption.c_str());
  }
  if (box == nullptr || !IsWindowVisible(box))
    return 1;

  HWND text = GetDlgItem(box, 0xFFFF);
  const std::string fields[] = {windowText(box),     windowText(text),
                                windowRect(box),     windowRect(GetDlgItem(box, IDOK)),
                                wideWindowText(box), wideWindowText(text)};
  FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr)
    return 101;
  for (const std::string& field : fields)
    std::fwrite(field.c_str(), 1, field.size() + 1, out);
  std::fclose(out);

  if (!keep) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  }
  return 0;
}
