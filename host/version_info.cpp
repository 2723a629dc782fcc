// Version words, texts and icon from the module's own file. The version data
// are read anew at every call, so the file's version block stays their only
// source; the block is released on every way out.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "host/version_info.h"
#include "text/string_helpers.h"

namespace ambrel::host {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows edge shares UTF-16 text");

const wchar_t* wide(const char16_t* text) noexcept { return reinterpret_cast<const wchar_t*>(text); }

// The version data of one file, owned by one identification.
class version_block {
 public:
  // Empty when the file has no version data, memory is short or the read fails.
  static version_block read(const wchar_t* path) noexcept {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) {
      return {};
    }
    std::unique_ptr<std::byte[]> block(new (std::nothrow) std::byte[size]);
    if (!block || !GetFileVersionInfoW(path, 0, size, block.get())) {
      return {};
    }
    return version_block(std::move(block), size);
  }

  explicit operator bool() const noexcept { return block_ != nullptr; }
  version_data_view view() const noexcept { return {block_.get(), size_}; }

 private:
  version_block() noexcept = default;
  version_block(std::unique_ptr<std::byte[]> block, std::uint32_t size) noexcept
      : block_(std::move(block)), size_(size) {}

  std::unique_ptr<std::byte[]> block_;
  std::uint32_t size_ = 0;
};

// Bytes from `value` to the end of the block; 0 when `value` lies outside it.
std::size_t bytes_left(version_data_view data, const void* value) noexcept {
  const auto start = reinterpret_cast<std::uintptr_t>(data.block);
  const auto at = reinterpret_cast<std::uintptr_t>(value);
  if (at < start || at >= start + data.size) {
    return 0;
  }
  return start + data.size - at;
}

// Exactly one language/code-page pair, or false.
bool only_translation(version_data_view data, translation& pair) noexcept {
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.block, L"\\VarFileInfo\\Translation", &value, &length) || length != 4 ||
      bytes_left(data, value) < 4) {
    return false;
  }
  std::memcpy(&pair.language, value, 2);
  std::memcpy(&pair.code_page, static_cast<const std::byte*>(value) + 2, 2);
  return true;
}

// The value of `key` in the string table of `pair`, up to its terminator and
// never past the end of the block.
bool find_string(version_data_view data, translation pair, const char16_t* key, std::u16string& text) {
  wchar_t path[128];
  const int written = std::swprintf(path, 128, L"\\StringFileInfo\\%02x%02x%02x%02x\\%ls",
                                    pair.language >> 8, pair.language & 0xff, pair.code_page >> 8,
                                    pair.code_page & 0xff, wide(key));
  if (written < 0) {
    return false;
  }
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.block, path, &value, &length)) {
    return false;
  }
  const std::size_t available = bytes_left(data, value) / sizeof(char16_t);
  text.assign(static_cast<const char16_t*>(value), length < available ? length : available);
  const std::size_t end = text.find(u'\0');
  if (end != std::u16string::npos) {
    text.resize(end);
  }
  return true;
}

}  // namespace

bool read_version_number(std::uint32_t* high, std::uint32_t* low, const char16_t* key,
                         translation pair, version_data_view data) {
  std::u16string value;
  if (!find_string(data, pair, key, value)) {
    return false;
  }
  int numbers[4] = {};
  if (std::swscanf(wide(value.c_str()), L"%d, %d, %d, %d", &numbers[0], &numbers[1], &numbers[2],
                   &numbers[3]) != 4) {
    return false;
  }
  const auto word = [](int upper, int lower) {
    return (static_cast<std::uint32_t>(upper) << 16) + static_cast<std::uint32_t>(lower);
  };
  *high = word(numbers[0], numbers[1]);
  *low = word(numbers[2], numbers[3]);
  return true;
}

bool read_version_string(char16_t* buffer, std::uint32_t capacity, const char16_t* key,
                         translation pair, version_data_view data) {
  if (buffer == nullptr) {
    return true;
  }
  if (capacity <= 2) {
    return false;
  }
  std::u16string value;
  if (!find_string(data, pair, key, value)) {
    return false;
  }
  text::copy_bounded(buffer, value.c_str(), capacity);
  return true;
}

bool read_version_info(void* module, int icon_id, plugin_info* info) {
  if (module == nullptr) {
    return false;
  }
  wchar_t path[MAX_PATH];
  if (GetModuleFileNameW(static_cast<HMODULE>(module), path, MAX_PATH) == 0) {
    return false;
  }
  path[MAX_PATH - 1] = 0;  // older systems leave a cut path unterminated

  const version_block block = version_block::read(path);
  if (!block) {
    return false;
  }
  const version_data_view data = block.view();
  translation pair{};
  if (!only_translation(data, pair) ||
      !read_version_number(&info->version_high, &info->version_low, u"FileVersion", pair, data)) {
    return false;
  }
  // In this order; a failure leaves the texts copied so far.
  if (!read_version_string(info->copyright, info->copyright_capacity, u"LegalCopyright", pair, data) ||
      !read_version_string(info->name, info->name_capacity, u"InternalName", pair, data) ||
      !read_version_string(info->description, info->description_capacity, u"FileDescription", pair,
                           data) ||
      !read_version_string(info->web_address, info->web_address_capacity, u"CompanyName", pair, data)) {
    return false;
  }
  // The host owns the icon from here on; a missing one is a null handle, no failure.
  info->icon = LoadImageW(static_cast<HINSTANCE>(module), MAKEINTRESOURCEW(icon_id), IMAGE_ICON, 0, 0, 0);
  return true;
}

}  // namespace ambrel::host
