// DVP_IdentifyW and DVP_IdentifyFileW on the module as built, and on copies
// of it whose resources were rewritten to break one rule each. Every host
// record is filled with a pattern first, so bytes the module must leave alone
// can be compared afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

#include "host/records.h"

namespace {

using ambrel::host::file_identification;
using ambrel::host::init_data;
using ambrel::host::plugin_info;

using identify_function = int(__cdecl*)(plugin_info*);
using identify_file_function = int(__cdecl*)(void*, const wchar_t*, file_identification*, void*);
using init_ex_function = int(__cdecl*)(const init_data*);
using uninit_function = void(__cdecl*)();

constexpr std::uint8_t pattern = 0xA5;
constexpr std::uint32_t text_capacity = 64;
constexpr std::uint16_t uk_english = 0x0809;
constexpr std::uint16_t unicode_code_page = 1200;

const std::u16string built_name = u"Ambrel Tags";
const std::u16string built_description = u"Ambrel Tags plugin";
const std::u16string built_copyright = u"Copyright (C) 2026 Ambrel Tags";
const std::u16string built_web_address = u"https://ambreltags.example";
const std::u16string extension_list =
    u".aac;.m4a;.m4b;.mpc;.mp+;.mpp;.ape;.ofr;.ofs;.shn;.tta;.wv;.wvc;.spx;.aif;.aiff;.aifc;.snd;.w64;"
    u".ogg;.flac;.fla";
constexpr std::array<std::uint8_t, 16> identity_bytes = {0x0C, 0x93, 0x88, 0x1A, 0x54, 0xCD, 0x6D, 0x4B,
                                                         0x8F, 0x1F, 0xC6, 0x6C, 0x65, 0xF6, 0xB8, 0x3C};

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// The module, or a copy of it, loaded for one test and unloaded after it, so
// each test starts from a freshly loaded module.
class plugin_module {
 public:
  explicit plugin_module(const std::wstring& path) : handle_(LoadLibraryW(path.c_str())) {}
  ~plugin_module() {
    if (handle_ != nullptr) {
      FreeLibrary(handle_);
    }
  }
  plugin_module(const plugin_module&) = delete;
  plugin_module& operator=(const plugin_module&) = delete;

  HMODULE handle() const { return handle_; }
  int identify(plugin_info* info) const { return function<identify_function>("DVP_IdentifyW")(info); }
  int identify_file(const wchar_t* path, file_identification* record) const {
    return function<identify_file_function>("DVP_IdentifyFileW")(nullptr, path, record, nullptr);
  }
  int init_ex(const init_data* data) const { return function<init_ex_function>("DVP_InitEx")(data); }
  void uninit() const { function<uninit_function>("DVP_Uninit")(); }

  // True when `address` lies inside the loaded image.
  bool contains(const void* address) const {
    MEMORY_BASIC_INFORMATION memory{};
    return VirtualQuery(address, &memory, sizeof memory) != 0 && memory.AllocationBase == handle_;
  }

 private:
  template <class Function>
  Function function(const char* name) const {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(handle_, name)));
  }

  HMODULE handle_;
};

// A host's plugin-information record with its four text buffers, every byte
// patterned; the record is as large as the module requires, no larger.
struct host_record {
  plugin_info info;
  char16_t name[text_capacity];
  char16_t description[text_capacity];
  char16_t copyright[text_capacity];
  char16_t web_address[text_capacity];
  char16_t host_extensions[8];

  host_record() {
    std::memset(&info, pattern, sizeof info);
    for (char16_t* buffer : {name, description, copyright, web_address}) {
      std::memset(buffer, pattern, sizeof name);
    }
    std::memset(host_extensions, pattern, sizeof host_extensions);
    info.size = sizeof(plugin_info);
    info.extensions = host_extensions;
    info.name = name;
    info.description = description;
    info.copyright = copyright;
    info.web_address = web_address;
    info.name_capacity = text_capacity;
    info.description_capacity = text_capacity;
    info.copyright_capacity = text_capacity;
    info.web_address_capacity = text_capacity;
  }
  host_record(const host_record&) = delete;
  host_record& operator=(const host_record&) = delete;

  std::vector<std::uint8_t> bytes() const {
    const auto* first = reinterpret_cast<const std::uint8_t*>(this);
    return std::vector<std::uint8_t>(first, first + sizeof *this);
  }
};

enum class icon_result { untouched, loaded, null };

struct outcome {
  int result;
  bool fixed_values;  // flags, extension list, 64-bit values, word, identity
  std::optional<std::pair<std::uint32_t, std::uint32_t>> version;
  std::optional<std::u16string> copyright;
  std::optional<std::u16string> name;
  std::optional<std::u16string> description;
  std::optional<std::u16string> web_address;
  icon_result icon;
};

constexpr std::pair<std::uint32_t, std::uint32_t> built_version{0x00010000, 0x00000003};

outcome filled() {
  return {1, true, built_version, built_copyright, built_name, built_description, built_web_address,
          icon_result::loaded};
}
outcome untouched() { return {0, false, {}, {}, {}, {}, {}, icon_result::untouched}; }
outcome fixed_values_only() { return {0, true, {}, {}, {}, {}, {}, icon_result::untouched}; }

class byte_mask {
 public:
  explicit byte_mask(std::size_t size) : may_change_(size, false) {}
  void allow(std::size_t offset, std::size_t size) {
    for (std::size_t i = offset; i < offset + size; ++i) {
      may_change_[i] = true;
    }
  }
  bool allows(std::size_t offset) const { return may_change_[offset]; }

 private:
  std::vector<bool> may_change_;
};

#define FIELD(name) offsetof(host_record, info.name), sizeof(plugin_info::name)

void allow_text(byte_mask& mask, std::size_t buffer_offset, const std::optional<std::u16string>& text) {
  if (text) {
    mask.allow(buffer_offset, (text->size() + 1) * sizeof(char16_t));
  }
}

void expect_text(const char16_t* buffer, const std::optional<std::u16string>& text, const char* which) {
  if (text) {
    EXPECT_EQ(std::u16string(buffer, text->size()), *text) << which;
    EXPECT_EQ(buffer[text->size()], u'\0') << which;
  }
}

// Checks the written fields against `expected` and every other byte of the
// record and its buffers against `before`.
void expect_outcome(const plugin_module& module, const std::vector<std::uint8_t>& before,
                    const host_record& after, int result, const outcome& expected) {
  EXPECT_EQ(result, expected.result);
  byte_mask mask(sizeof(host_record));
  if (expected.fixed_values) {
    const char16_t* given = nullptr;
    std::memcpy(&given, before.data() + offsetof(host_record, info.extensions), sizeof given);
    if (given != nullptr) {  // a null pointer must stay null
      mask.allow(FIELD(extensions));
      EXPECT_TRUE(module.contains(after.info.extensions)) << "the list must be the module's own constant";
      EXPECT_EQ(std::u16string(after.info.extensions), extension_list);
    }
    for (auto [offset, size] : {std::pair{FIELD(flags)}, {FIELD(value_1)},
                                {FIELD(value_2)}, {FIELD(value_3)}, {FIELD(value_4)}, {FIELD(word_1)},
                                {FIELD(identity)}}) {
      mask.allow(offset, size);
    }
    EXPECT_EQ(after.info.flags, 0x41014u);
    EXPECT_EQ(after.info.value_1, 32);
    EXPECT_EQ(after.info.value_2, 0);
    EXPECT_EQ(after.info.value_3, 32);
    EXPECT_EQ(after.info.value_4, 0);
    EXPECT_EQ(after.info.word_1, 1u);
    EXPECT_EQ(std::memcmp(&after.info.identity, identity_bytes.data(), identity_bytes.size()), 0);
  }
  if (expected.version) {
    mask.allow(FIELD(version_high));
    mask.allow(FIELD(version_low));
    EXPECT_EQ(after.info.version_high, expected.version->first);
    EXPECT_EQ(after.info.version_low, expected.version->second);
  }
  allow_text(mask, offsetof(host_record, copyright), expected.copyright);
  allow_text(mask, offsetof(host_record, name), expected.name);
  allow_text(mask, offsetof(host_record, description), expected.description);
  allow_text(mask, offsetof(host_record, web_address), expected.web_address);
  expect_text(after.copyright, expected.copyright, "copyright");
  expect_text(after.name, expected.name, "name");
  expect_text(after.description, expected.description, "description");
  expect_text(after.web_address, expected.web_address, "web address");
  if (expected.icon != icon_result::untouched) {
    mask.allow(FIELD(icon));
    if (expected.icon == icon_result::loaded) {
      EXPECT_NE(after.info.icon, nullptr);
    } else {
      EXPECT_EQ(after.info.icon, nullptr);
    }
  }
  const std::vector<std::uint8_t> now = after.bytes();
  for (std::size_t i = 0; i < now.size(); ++i) {
    if (!mask.allows(i)) {
      ASSERT_EQ(now[i], before[i]) << "byte " << i << " of the record and its buffers was written";
    }
  }
}

// --- The module as built -------------------------------------------------

struct record_case {
  const char* label;
  std::function<void(host_record&)> prepare;
  outcome expected;
};

outcome with(outcome base, const std::function<void(outcome&)>& change) {
  change(base);
  return base;
}

const std::vector<record_case>& record_cases() {
  static const std::vector<record_case> cases = {
      {"record exactly as large as required", [](host_record&) {}, filled()},
      {"size 127", [](host_record& r) { r.info.size = 127; }, untouched()},
      {"size one below the record", [](host_record& r) { r.info.size = sizeof(plugin_info) - 1; },
       untouched()},
      {"size 0", [](host_record& r) { r.info.size = 0; }, untouched()},
      {"null extension pointer stays null", [](host_record& r) { r.info.extensions = nullptr; },
       filled()},
      {"null name buffer is skipped",
       [](host_record& r) {
         r.info.name = nullptr;
         r.info.name_capacity = 2;
       },
       with(filled(), [](outcome& o) { o.name.reset(); })},
      {"name capacity 3 takes two characters", [](host_record& r) { r.info.name_capacity = 3; },
       with(filled(), [](outcome& o) { o.name = u"Am"; })},
      {"description cut to its capacity", [](host_record& r) { r.info.description_capacity = 5; },
       with(filled(), [](outcome& o) { o.description = u"Ambr"; })},
      {"name capacity 2 is refused", [](host_record& r) { r.info.name_capacity = 2; },
       with(fixed_values_only(),
            [](outcome& o) {
              o.version = built_version;
              o.copyright = built_copyright;
            })},
      {"name capacity 1 is refused", [](host_record& r) { r.info.name_capacity = 1; },
       with(fixed_values_only(),
            [](outcome& o) {
              o.version = built_version;
              o.copyright = built_copyright;
            })},
      {"name capacity 0 is refused", [](host_record& r) { r.info.name_capacity = 0; },
       with(fixed_values_only(),
            [](outcome& o) {
              o.version = built_version;
              o.copyright = built_copyright;
            })},
      {"copyright capacity 2 stops before any text", [](host_record& r) { r.info.copyright_capacity = 2; },
       with(fixed_values_only(), [](outcome& o) { o.version = built_version; })},
      {"web address capacity 2 leaves the earlier texts",
       [](host_record& r) { r.info.web_address_capacity = 2; },
       with(filled(),
            [](outcome& o) {
              o.result = 0;
              o.web_address.reset();
              o.icon = icon_result::untouched;
            })},
  };
  return cases;
}

TEST(IdentifyBuiltModule, RecordTable) {
  plugin_module module(AMBREL_MODULE_PATH);
  ASSERT_NE(module.handle(), nullptr);
  for (const record_case& c : record_cases()) {
    SCOPED_TRACE(c.label);
    host_record record;
    c.prepare(record);
    const std::vector<std::uint8_t> before = record.bytes();
    const int result = module.identify(&record.info);
    expect_outcome(module, before, record, result, c.expected);
  }
}

TEST(IdentifyBuiltModule, ExtensionListIsOneConstantAndHostMemoryIsNotWritten) {
  plugin_module module(AMBREL_MODULE_PATH);
  host_record first;
  host_record second;
  ASSERT_EQ(module.identify(&first.info), 1);
  ASSERT_EQ(module.identify(&second.info), 1);
  EXPECT_EQ(first.info.extensions, second.info.extensions);
  for (char16_t c : first.host_extensions) {
    EXPECT_EQ(c, static_cast<char16_t>(pattern << 8 | pattern));
  }
}

TEST(IdentifyBuiltModule, IconIsLoadedAtItsStoredSize) {
  plugin_module module(AMBREL_MODULE_PATH);
  host_record record;
  ASSERT_EQ(module.identify(&record.info), 1);
  ICONINFO icon{};
  ASSERT_TRUE(GetIconInfo(static_cast<HICON>(record.info.icon), &icon));
  BITMAP colour{};
  ASSERT_NE(icon.hbmColor, nullptr);
  ASSERT_NE(GetObjectW(icon.hbmColor, sizeof colour, &colour), 0);
  EXPECT_EQ(colour.bmWidth, 16);
  EXPECT_EQ(colour.bmHeight, 16);
  DeleteObject(icon.hbmColor);
  DeleteObject(icon.hbmMask);
  DestroyIcon(static_cast<HICON>(record.info.icon));  // the host owns it
}

TEST(IdentifyBuiltModule, NullRecordIsRefused) {
  plugin_module module(AMBREL_MODULE_PATH);
  EXPECT_EQ(module.identify(nullptr), 0);
}

TEST(IdentifyBuiltModule, ConcurrentCallsEachGetTheirOwnAnswer) {
  plugin_module module(AMBREL_MODULE_PATH);
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&module, &failures, t] {
      for (int i = 0; i < 50; ++i) {
        host_record record;
        record.info.name_capacity = 3 + static_cast<std::uint32_t>((t + i) % 9);
        const std::u16string expected = built_name.substr(0, record.info.name_capacity - 1);
        if (module.identify(&record.info) != 1 || std::u16string(record.name) != expected ||
            std::u16string(record.web_address) != built_web_address) {
          ++failures;
        }
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(failures.load(), 0);
}

// The version data as the file-version service returns them: one pair, and
// the five keys identification reads under its table.
TEST(BuiltVersionBlock, HasOneTranslationAndTheKeysIdentificationReads) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(AMBREL_MODULE_PATH, &ignored);
  ASSERT_NE(size, 0u);
  std::vector<std::uint8_t> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(AMBREL_MODULE_PATH, 0, size, block.data()));
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  std::uint16_t pair[2];
  std::memcpy(pair, value, sizeof pair);
  EXPECT_EQ(pair[0], uk_english);
  EXPECT_EQ(pair[1], unicode_code_page);
  for (const wchar_t* key : {L"FileVersion", L"LegalCopyright", L"InternalName", L"FileDescription",
                             L"CompanyName"}) {
    const std::wstring path = std::wstring(L"\\StringFileInfo\\080904b0\\") + key;
    EXPECT_TRUE(VerQueryValueW(block.data(), path.c_str(), &value, &length)) << path;
  }
}

// --- Copies of the module with rewritten resources ---------------------------

using resource_id = std::variant<WORD, std::wstring>;

const wchar_t* as_resource_name(const resource_id& id) {
  if (const WORD* number = std::get_if<WORD>(&id)) {
    return MAKEINTRESOURCEW(*number);
  }
  return std::get<std::wstring>(id).c_str();
}

resource_id to_resource_id(const wchar_t* name) {
  if (IS_INTRESOURCE(name)) {
    return static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
  }
  return std::wstring(name);
}

struct resource {
  resource_id type;
  resource_id name;
  WORD language;
  std::vector<std::uint8_t> data;
};

BOOL CALLBACK add_type(HMODULE, LPWSTR type, LONG_PTR found) {
  reinterpret_cast<std::vector<resource_id>*>(found)->push_back(to_resource_id(type));
  return TRUE;
}

BOOL CALLBACK add_name(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
  reinterpret_cast<std::vector<resource_id>*>(found)->push_back(to_resource_id(name));
  return TRUE;
}

BOOL CALLBACK add_language(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
  reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
  return TRUE;
}

// Every resource of the module file, read without running its code.
std::vector<resource> resources_of(const wchar_t* path) {
  struct loaded_data_file {
    HMODULE handle;
    ~loaded_data_file() {
      if (handle != nullptr) {
        FreeLibrary(handle);
      }
    }
  } file{LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE)};
  std::vector<resource_id> types;
  EnumResourceTypesW(file.handle, add_type, reinterpret_cast<LONG_PTR>(&types));
  std::vector<resource> all;
  for (const resource_id& type : types) {
    std::vector<resource_id> names;
    EnumResourceNamesW(file.handle, as_resource_name(type), add_name, reinterpret_cast<LONG_PTR>(&names));
    for (const resource_id& name : names) {
      std::vector<WORD> languages;
      EnumResourceLanguagesW(file.handle, as_resource_name(type), as_resource_name(name), add_language,
                             reinterpret_cast<LONG_PTR>(&languages));
      for (WORD language : languages) {
        HRSRC found = FindResourceExW(file.handle, as_resource_name(type), as_resource_name(name), language);
        const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(file.handle, found)));
        const DWORD size = SizeofResource(file.handle, found);
        all.push_back({type, name, language, std::vector<std::uint8_t>(bytes, bytes + size)});
      }
    }
  }
  return all;
}

struct translation {
  std::uint16_t language;
  std::uint16_t code_page;
};

// What a rewritten version block holds; it starts as the built module's.
struct version_description {
  std::vector<std::uint8_t> fixed_part;
  std::vector<translation> translation_list;
  std::vector<translation> string_tables;
  std::vector<std::pair<std::u16string, std::u16string>> strings;

  void set(const std::u16string& key, const std::u16string& value) {
    for (auto& entry : strings) {
      if (entry.first == key) {
        entry.second = value;
      }
    }
  }
  void remove(const std::u16string& key) {
    std::erase_if(strings, [&](const auto& entry) { return entry.first == key; });
  }
};

const std::vector<std::u16string> version_keys = {
    u"Comments",        u"CompanyName",     u"FileDescription", u"FileVersion",      u"InternalName",
    u"LegalCopyright", u"LegalTrademarks", u"OriginalFilename", u"ProductName",     u"ProductVersion"};

version_description built_version_description() {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(AMBREL_MODULE_PATH, &ignored);
  std::vector<std::uint8_t> block(size);
  GetFileVersionInfoW(AMBREL_MODULE_PATH, 0, size, block.data());
  version_description version;
  void* value = nullptr;
  UINT length = 0;
  if (VerQueryValueW(block.data(), L"\\", &value, &length)) {
    const auto* bytes = static_cast<const std::uint8_t*>(value);
    version.fixed_part.assign(bytes, bytes + length);
  }
  version.translation_list = {{uk_english, unicode_code_page}};
  version.string_tables = version.translation_list;
  for (const std::u16string& key : version_keys) {
    const std::wstring path = L"\\StringFileInfo\\080904b0\\" + std::wstring(wide(key.c_str()));
    if (VerQueryValueW(block.data(), path.c_str(), &value, &length)) {
      version.strings.emplace_back(key, std::u16string(static_cast<const char16_t*>(value)));
    }
  }
  return version;
}

// Writes the platform's version-resource format: nodes of length, value
// length, type, key, value and children, each aligned to four bytes.
class version_writer {
 public:
  std::vector<std::uint8_t> write(const version_description& version) {
    bytes_.clear();
    node(u"VS_VERSION_INFO", 0, static_cast<std::uint16_t>(version.fixed_part.size()), version.fixed_part, [&] {
      node(u"StringFileInfo", 1, 0, {}, [&] {
        for (const translation& table : version.string_tables) {
          wchar_t name[9];
          std::swprintf(name, 9, L"%04x%04x", table.language, table.code_page);
          node(reinterpret_cast<const char16_t*>(name), 1, 0, {}, [&] {
            for (const auto& [key, value] : version.strings) {
              std::vector<std::uint8_t> text((value.size() + 1) * 2, 0);
              std::memcpy(text.data(), value.data(), value.size() * 2);
              node(key, 1, static_cast<std::uint16_t>(value.size() + 1), text, [] {});
            }
          });
        }
      });
      if (!version.translation_list.empty()) {
        node(u"VarFileInfo", 1, 0, {}, [&] {
          std::vector<std::uint8_t> pairs;
          for (const translation& pair : version.translation_list) {
            for (std::uint16_t word : {pair.language, pair.code_page}) {
              pairs.push_back(word & 0xff);
              pairs.push_back(word >> 8);
            }
          }
          node(u"Translation", 0, static_cast<std::uint16_t>(pairs.size()), pairs, [] {});
        });
      }
    });
    return bytes_;
  }

 private:
  void align() {
    while (bytes_.size() % 4 != 0) {
      bytes_.push_back(0);
    }
  }
  void word(std::uint16_t value) {
    bytes_.push_back(value & 0xff);
    bytes_.push_back(value >> 8);
  }
  void node(const std::u16string& key, std::uint16_t type, std::uint16_t value_length,
            const std::vector<std::uint8_t>& value, const std::function<void()>& children) {
    align();
    const std::size_t start = bytes_.size();
    word(0);
    word(value_length);
    word(type);
    for (char16_t c : key) {
      word(c);
    }
    word(0);
    align();
    bytes_.insert(bytes_.end(), value.begin(), value.end());
    children();
    const std::size_t length = bytes_.size() - start;
    bytes_[start] = length & 0xff;
    bytes_[start + 1] = static_cast<std::uint8_t>(length >> 8);
  }

  std::vector<std::uint8_t> bytes_;
};

struct variant_resources {
  version_description version = built_version_description();
  bool icon_group = true;
};

// A copy of the built module whose version block (and icon group) are
// replaced; deleted again at the end of the test.
class module_variant {
 public:
  explicit module_variant(const variant_resources& wanted) {
    static int copies = 0;
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    path_ = std::wstring(folder) + L"ambrel_identification_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(++copies) + L".dll";
    if (!CopyFileW(AMBREL_MODULE_PATH, path_.c_str(), FALSE)) {
      return;
    }
    // Wine does not delete a resource given no data: start empty and write
    // back everything but what this variant replaces or drops.
    HANDLE update = BeginUpdateResourceW(path_.c_str(), TRUE);
    if (update == nullptr) {
      return;
    }
    bool written = true;
    for (resource& r : resources_of(AMBREL_MODULE_PATH)) {
      const bool is_version = r.type == resource_id{static_cast<WORD>(16)};
      const bool is_icon_group = r.type == resource_id{static_cast<WORD>(14)} &&
                                 r.name == resource_id{static_cast<WORD>(101)};
      if (is_version || (is_icon_group && !wanted.icon_group)) {
        continue;
      }
      written &= UpdateResourceW(update, as_resource_name(r.type), as_resource_name(r.name), r.language,
                                 r.data.data(), static_cast<DWORD>(r.data.size())) != FALSE;
    }
    std::vector<std::uint8_t> version = version_writer().write(wanted.version);
    written &= UpdateResourceW(update, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1), uk_english, version.data(),
                               static_cast<DWORD>(version.size())) != FALSE;
    ready_ = EndUpdateResourceW(update, written ? FALSE : TRUE) != FALSE && written;
  }
  ~module_variant() { DeleteFileW(path_.c_str()); }
  module_variant(const module_variant&) = delete;
  module_variant& operator=(const module_variant&) = delete;

  bool ready() const { return ready_; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  bool ready_ = false;
};

struct variant_case {
  const char* label;
  std::function<void(variant_resources&)> change;
  std::function<void(host_record&)> prepare;
  outcome expected;
};

outcome with_version(std::uint32_t high, std::uint32_t low) {
  return with(filled(), [&](outcome& o) { o.version = std::pair{high, low}; });
}

const std::vector<variant_case>& variant_cases() {
  static const auto nothing = [](host_record&) {};
  static const std::vector<variant_case> cases = {
      {"version block rewritten unchanged", [](variant_resources&) {}, nothing, filled()},
      {"two language/code-page pairs, each table complete",
       [](variant_resources& v) {
         v.version.translation_list.push_back({0x0409, unicode_code_page});
         v.version.string_tables = v.version.translation_list;
       },
       nothing, fixed_values_only()},
      {"no translation list", [](variant_resources& v) { v.version.translation_list.clear(); }, nothing,
       fixed_values_only()},
      {"translation names a table that is not there",
       [](variant_resources& v) { v.version.translation_list = {{0x0409, unicode_code_page}}; }, nothing,
       fixed_values_only()},
      {"FileVersion with dots", [](variant_resources& v) { v.version.set(u"FileVersion", u"1.0.0.3"); },
       nothing, fixed_values_only()},
      {"FileVersion with bare commas", [](variant_resources& v) { v.version.set(u"FileVersion", u"1,0,0,3"); },
       nothing, filled()},
      {"FileVersion with three numbers", [](variant_resources& v) { v.version.set(u"FileVersion", u"1, 0, 0"); },
       nothing, fixed_values_only()},
      {"FileVersion with a blank before a comma",
       [](variant_resources& v) { v.version.set(u"FileVersion", u"1 , 0, 0, 3"); }, nothing,
       fixed_values_only()},
      {"FileVersion second and fourth numbers carry",
       [](variant_resources& v) { v.version.set(u"FileVersion", u"1, 70000, 2, 65536"); }, nothing,
       with_version(0x00010000u + 70000u, 0x00020000u + 65536u)},
      {"FileVersion signed numbers",
       [](variant_resources& v) { v.version.set(u"FileVersion", u"-1, 2, 0, -3"); }, nothing,
       with_version(0xFFFF0002u, 0xFFFFFFFDu)},
      {"FileVersion missing", [](variant_resources& v) { v.version.remove(u"FileVersion"); }, nothing,
       fixed_values_only()},
      {"InternalName missing", [](variant_resources& v) { v.version.remove(u"InternalName"); }, nothing,
       with(fixed_values_only(),
            [](outcome& o) {
              o.version = built_version;
              o.copyright = built_copyright;
            })},
      {"InternalName missing, no name buffer", [](variant_resources& v) { v.version.remove(u"InternalName"); },
       [](host_record& r) { r.info.name = nullptr; }, with(filled(), [](outcome& o) { o.name.reset(); })},
      {"CompanyName missing", [](variant_resources& v) { v.version.remove(u"CompanyName"); }, nothing,
       with(filled(),
            [](outcome& o) {
              o.result = 0;
              o.web_address.reset();
              o.icon = icon_result::untouched;
            })},
      {"empty InternalName", [](variant_resources& v) { v.version.set(u"InternalName", u""); }, nothing,
       with(filled(), [](outcome& o) { o.name = u""; })},
      {"no icon 101", [](variant_resources& v) { v.icon_group = false; }, nothing,
       with(filled(), [](outcome& o) { o.icon = icon_result::null; })},
  };
  return cases;
}

TEST(IdentifyModuleVariant, VersionBlockAndIconTable) {
  for (const variant_case& c : variant_cases()) {
    SCOPED_TRACE(c.label);
    variant_resources wanted;
    ASSERT_EQ(wanted.version.strings.size(), version_keys.size()) << "built version block unreadable";
    c.change(wanted);
    module_variant variant(wanted);
    ASSERT_TRUE(variant.ready()) << "could not rewrite a copy of the module";
    plugin_module module(variant.path());
    ASSERT_NE(module.handle(), nullptr) << "variant does not load: " << GetLastError();
    host_record record;
    c.prepare(record);
    const std::vector<std::uint8_t> before = record.bytes();
    const int result = module.identify(&record.info);
    expect_outcome(module, before, record, result, c.expected);
  }
}

// --- File identification -------------------------------------------------

struct file_record {
  file_identification record;
  std::uint8_t after[8];

  file_record() { std::memset(static_cast<void*>(this), pattern, sizeof *this); }
  std::vector<std::uint8_t> bytes() const {
    const auto* first = reinterpret_cast<const std::uint8_t*>(this);
    return std::vector<std::uint8_t>(first, first + sizeof *this);
  }
};

TEST(IdentifyFile, AcceptsEveryFileOnlyWhileThePluginStateExists) {
  plugin_module module(AMBREL_MODULE_PATH);
  ASSERT_NE(module.handle(), nullptr);
  const wchar_t* missing_file = L"C:\\no such folder\\no such file.flac";
  const init_data host{sizeof(init_data), nullptr, 0x00090001, 0x00030000};

  const auto expect_refused = [&](const char* when) {
    file_record file;
    const std::vector<std::uint8_t> before = file.bytes();
    EXPECT_EQ(module.identify_file(missing_file, &file.record), 0) << when;
    EXPECT_EQ(file.bytes(), before) << when;
  };
  const auto expect_accepted = [&](const char* when) {
    file_record file;
    std::vector<std::uint8_t> expected = file.bytes();
    const std::uint32_t flags = 0x800;
    const std::uint16_t accepted = 1;
    std::memcpy(expected.data() + offsetof(file_identification, flags), &flags, sizeof flags);
    std::memcpy(expected.data() + offsetof(file_identification, accepted), &accepted, sizeof accepted);
    EXPECT_EQ(module.identify_file(missing_file, &file.record), 1) << when;
    EXPECT_EQ(file.bytes(), expected) << when;
  };

  expect_refused("before the first DVP_InitEx");
  ASSERT_EQ(module.init_ex(&host), 1);
  expect_accepted("initialised once");
  EXPECT_EQ(module.identify_file(missing_file, nullptr), 0) << "no record to fill";
  ASSERT_EQ(module.init_ex(&host), 1);
  module.uninit();
  expect_accepted("after one of two DVP_Uninit");
  module.uninit();
  expect_refused("after the last DVP_Uninit");
}

TEST(IdentifyFile, IdentificationAnswersInEveryState) {
  plugin_module module(AMBREL_MODULE_PATH);
  const init_data host{sizeof(init_data), nullptr, 0x00090001, 0x00030000};
  host_record before_init;
  EXPECT_EQ(module.identify(&before_init.info), 1);
  ASSERT_EQ(module.init_ex(&host), 1);
  host_record initialised;
  EXPECT_EQ(module.identify(&initialised.info), 1);
  module.uninit();
  host_record after_uninit;
  EXPECT_EQ(module.identify(&after_uninit.info), 1);
  EXPECT_EQ(std::u16string(after_uninit.name), built_name);
}

}  // namespace
