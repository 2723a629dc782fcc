// The built module under the Windows loader: its atom while loaded, nothing
// left behind after unloading, and the lifecycle exports called as the host
// calls them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

const wchar_t atom_name[] = L"{C73ECBF0-8E75-4421-B1B1-EB3D8EB0C19F}";

bool atom_present() { return GlobalFindAtomW(atom_name) != 0; }

// Every process of the session shares the global atom table: give a module
// instance in another process a few seconds to go before judging ours.
bool atom_free_of_others() {
  for (int i = 0; i < 50 && atom_present(); ++i) {
    Sleep(100);
  }
  return !atom_present();
}

// Handles this process holds, from the system's handle table:
// GetProcessHandleCount answers 0 whatever the count under Wine 8.
struct handle_entry {
  void* object;
  ULONG_PTR process_id;
  ULONG_PTR value;
  ULONG access;
  USHORT creator_trace;
  USHORT type;
  ULONG attributes;
  ULONG reserved;
};

struct handle_table {
  ULONG_PTR count;
  ULONG_PTR reserved;
  handle_entry entries[1];
};

std::optional<std::size_t> own_handle_count() {
  constexpr int extended_handle_information = 64;
  constexpr LONG length_mismatch = static_cast<LONG>(0xC0000004L);
  using query_function = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<query_function>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) {
    return std::nullopt;
  }
  std::vector<ULONG_PTR> buffer(1 << 13);
  for (;;) {
    const ULONG bytes = static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR));
    ULONG needed = 0;
    const LONG status = query(extended_handle_information, buffer.data(), bytes, &needed);
    if (status == 0) {
      break;
    }
    if (status != length_mismatch || buffer.size() >= (std::size_t{1} << 24)) {
      return std::nullopt;
    }
    buffer.resize(buffer.size() * 2);
  }
  const auto* table = reinterpret_cast<const handle_table*>(buffer.data());
  std::size_t own = 0;
  for (ULONG_PTR i = 0; i < table->count; ++i) {
    own += table->entries[i].process_id == GetCurrentProcessId() ? 1 : 0;
  }
  return own;
}

class loaded_module {
 public:
  loaded_module() : module_(LoadLibraryW(AMBREL_MODULE_PATH)) {}
  ~loaded_module() { unload(); }
  loaded_module(const loaded_module&) = delete;
  loaded_module& operator=(const loaded_module&) = delete;

  bool loaded() const { return module_ != nullptr; }
  bool unload() {
    const bool freed = module_ != nullptr && FreeLibrary(module_);
    module_ = nullptr;
    return freed;
  }
  template <class Function>
  Function resolve(const char* name) const {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

 private:
  HMODULE module_;
};

// The host's init-data record, written at the offsets the host uses rather
// than through the module's own declaration: a 32-bit size, a window handle,
// then the two version words.
class init_record {
 public:
  init_record(std::uint16_t major, std::uint16_t minor, std::uint16_t build, std::uint16_t revision) {
    const std::uint32_t size = sizeof bytes_;
    const std::uint32_t high = std::uint32_t{major} << 16 | minor;
    const std::uint32_t low = std::uint32_t{build} << 16 | revision;
    const std::size_t version_at = sizeof(void*) == 4 ? 8 : 16;
    std::memcpy(bytes_, &size, 4);
    std::memcpy(bytes_ + version_at, &high, 4);
    std::memcpy(bytes_ + version_at + 4, &low, 4);
  }
  const void* get() const { return bytes_; }

 private:
  alignas(8) unsigned char bytes_[32] = {};
};

const init_record current_host(13, 0, 0, 0);
const init_record old_host(9, 1, 2, 65535);

struct lifecycle_exports {
  explicit lifecycle_exports(const loaded_module& module)
      : init(module.resolve<int(__cdecl*)()>("DVP_Init")),
        init_ex(module.resolve<int(__cdecl*)(const void*)>("DVP_InitEx")),
        uninit(module.resolve<void(__cdecl*)()>("DVP_Uninit")),
        usb_safe(module.resolve<int(__cdecl*)(void*)>("DVP_USBSafe")) {}
  bool resolved() const { return init && init_ex && uninit && usb_safe; }

  int(__cdecl* init)();
  int(__cdecl* init_ex)(const void*);
  void(__cdecl* uninit)();
  int(__cdecl* usb_safe)(void*);
};

class LoadedModule : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module.loaded()) << "LoadLibraryW failed: " << GetLastError();
    ASSERT_TRUE(exports.resolved());
  }
  loaded_module module;
  lifecycle_exports exports{module};
};

TEST(ModuleAtom, HeldWhileLoadedAndReleasedOnUnload) {
  ASSERT_TRUE(atom_free_of_others()) << "another process holds the module atom";
  loaded_module module;
  ASSERT_TRUE(module.loaded());
  EXPECT_TRUE(atom_present());
  EXPECT_TRUE(module.unload());
  EXPECT_FALSE(atom_present());
}

TEST(ModuleAtom, RepeatedLoadingLeavesNoAtomReferenceOrHandle) {
  ASSERT_TRUE(atom_free_of_others()) << "another process holds the module atom";
  // The first load may bring in system modules that stay.
  loaded_module{}.unload();
  const std::optional<std::size_t> handles_before = own_handle_count();
  ASSERT_TRUE(handles_before.has_value());
  ASSERT_GT(*handles_before, 0u);

  int loads_without_atom = 0;
  for (int i = 0; i < 100; ++i) {
    loaded_module module;
    ASSERT_TRUE(module.loaded()) << "load " << i;
    loads_without_atom += atom_present() ? 0 : 1;
  }

  const std::optional<std::size_t> handles_after = own_handle_count();
  ASSERT_TRUE(handles_after.has_value());
  EXPECT_EQ(loads_without_atom, 0);
  EXPECT_FALSE(atom_present()) << "a load left its atom reference behind";
  EXPECT_LE(*handles_after, *handles_before);
}

struct version_case {
  const char* name;
  init_record record;
  int accepted;
};

// Only the first initialisation checks the version, so an old host is
// accepted exactly when the module is already initialised: a probe of the
// count that the test balances.
bool initialised(const lifecycle_exports& exports) {
  if (exports.init_ex(old_host.get()) == 0) {
    return false;
  }
  exports.uninit();
  return true;
}

TEST_F(LoadedModule, ReadsTheHostVersionFromTheRecordOfThisWidth) {
  const version_case cases[] = {
      {"9.1.3.0", init_record(9, 1, 3, 0), 1},
      {"9.1.2.65535", init_record(9, 1, 2, 65535), 0},
      {"9.0.65535.65535", init_record(9, 0, 65535, 65535), 0},
      {"9.2.0.0", init_record(9, 2, 0, 0), 1},
      {"13.0.0.0", init_record(13, 0, 0, 0), 1},
  };
  for (const version_case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(exports.init_ex(c.record.get()), c.accepted);
    EXPECT_EQ(initialised(exports), c.accepted == 1);
    if (c.accepted == 1) {
      exports.uninit();
    }
    EXPECT_FALSE(initialised(exports));
  }
}

enum class call { init, usb_safe, init_ex_current, init_ex_old, init_ex_null, uninit };

struct step {
  call what;
  int result;  // ignored for DVP_Uninit
  bool initialised_after;
};

TEST_F(LoadedModule, LifecycleExportsFollowTheStateTable) {
  const step steps[] = {
      {call::init, 0, false},
      {call::usb_safe, 1, false},
      {call::uninit, 0, false},
      {call::init_ex_null, 0, false},
      {call::init_ex_old, 0, false},
      {call::init_ex_current, 1, true},
      {call::init, 0, true},
      {call::usb_safe, 1, true},
      {call::init_ex_old, 1, true},
      {call::init_ex_null, 0, true},
      {call::uninit, 0, true},
      {call::uninit, 0, false},
      {call::uninit, 0, false},
      {call::init, 0, false},
      {call::usb_safe, 1, false},
      {call::init_ex_old, 0, false},
      {call::init_ex_current, 1, true},
      {call::uninit, 0, false},
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE("step " + std::to_string(i + 1));
    const step& s = steps[i];
    switch (s.what) {
      case call::init: EXPECT_EQ(exports.init(), s.result); break;
      case call::usb_safe: EXPECT_EQ(exports.usb_safe(nullptr), s.result); break;
      case call::init_ex_current: EXPECT_EQ(exports.init_ex(current_host.get()), s.result); break;
      case call::init_ex_old: EXPECT_EQ(exports.init_ex(old_host.get()), s.result); break;
      case call::init_ex_null: EXPECT_EQ(exports.init_ex(nullptr), s.result); break;
      case call::uninit: exports.uninit(); break;
    }
    EXPECT_EQ(initialised(exports), s.initialised_after);
  }
}

TEST_F(LoadedModule, ConcurrentBalancedCallsEndUninitialised) {
  std::vector<std::thread> callers;
  for (int t = 0; t < 4; ++t) {
    callers.emplace_back([this, t] {
      for (int i = 0; i < 500; ++i) {
        if (exports.init_ex(((i + t) % 3 == 0 ? old_host : current_host).get()) == 1) {
          exports.uninit();
        }
      }
    });
  }
  for (std::thread& caller : callers) {
    caller.join();
  }
  EXPECT_FALSE(initialised(exports));
}

TEST(ModuleUnload, WhileInitialisedThenReloadStartsUninitialised) {
  {
    loaded_module module;
    ASSERT_TRUE(module.loaded());
    const lifecycle_exports exports(module);
    ASSERT_TRUE(exports.resolved());
    ASSERT_EQ(exports.init_ex(current_host.get()), 1);
    EXPECT_TRUE(module.unload());
  }
  loaded_module module;
  ASSERT_TRUE(module.loaded());
  const lifecycle_exports exports(module);
  ASSERT_TRUE(exports.resolved());
  EXPECT_FALSE(initialised(exports));
}

}  // namespace
