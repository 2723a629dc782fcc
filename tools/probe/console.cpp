#include "tools/probe/console.h"

#include <windows.h>

#include <string>

namespace ambrel::probe {
namespace {

void write_to(DWORD which, std::wstring_view text) noexcept {
  HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) {
    return;
  }
  const int length = static_cast<int>(text.size());
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    DWORD written = 0;
    WriteConsoleW(handle, text.data(), static_cast<DWORD>(length), &written, nullptr);
    return;
  }
  try {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), bytes, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  } catch (...) {
    // Nothing sensible is left to report to.
  }
}

}  // namespace

void prepare_console() noexcept { SetConsoleOutputCP(CP_UTF8); }

void print(std::wstring_view text) noexcept { write_to(STD_OUTPUT_HANDLE, text); }

void print_error(std::wstring_view text) noexcept { write_to(STD_ERROR_HANDLE, text); }

}  // namespace ambrel::probe
