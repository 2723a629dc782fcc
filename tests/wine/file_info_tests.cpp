// DVP_GetFileInfoFileW through the built module under the Windows loader and
// COM, with the stand-in tag reader registered as the converter's reader.
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "host/records.h"
#include "tools/standin_reader/standin_control.h"

namespace {

using namespace std::string_literals;
using ambrel::host::music_info;
using ambrel::host::protected_flag;
using ambrel::host::tempo_record_size;

using get_file_info_fn = int(__cdecl*)(void* window, const wchar_t* path, void* file, music_info* record);

template <class Function>
Function resolve(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// ---------------------------------------------------------------------------
// COM task-memory blocks (BSTRs among them) allocated and not yet freed, so a
// request can be shown to free both of its strings on every path.

class live_blocks final : public IMallocSpy {
 public:
  std::size_t count() {
    std::lock_guard hold(lock_);
    return live_.size();
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMallocSpy)) {
      *out = static_cast<IMallocSpy*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
  void* STDMETHODCALLTYPE PostAlloc(void* block) override {
    remember(block);
    return block;
  }
  void* STDMETHODCALLTYPE PreFree(void* block, BOOL) override {
    forget(block);
    return block;
  }
  void STDMETHODCALLTYPE PostFree(BOOL) override {}
  SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T size, void** new_block, BOOL) override {
    forget(block);
    *new_block = block;
    return size;
  }
  void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL) override {
    remember(block);
    return block;
  }
  void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
  SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
  void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
  int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int allocated) override { return allocated; }
  void STDMETHODCALLTYPE PreHeapMinimize() override {}
  void STDMETHODCALLTYPE PostHeapMinimize() override {}

 private:
  void remember(void* block) {
    if (block != nullptr) {
      std::lock_guard hold(lock_);
      live_.insert(block);
    }
  }
  void forget(void* block) {
    std::lock_guard hold(lock_);
    live_.erase(block);
  }

  std::mutex lock_;
  std::set<void*> live_;
};

// ---------------------------------------------------------------------------
// The module and the stand-in, loaded once; the main thread is a
// single-threaded apartment, as the host's threads are.

struct session {
  HMODULE oleaut32 = nullptr;
  HMODULE module = nullptr;
  HMODULE standin = nullptr;
  get_file_info_fn get_file_info = nullptr;
  standin_set_behaviour_fn set_behaviour = nullptr;
  standin_set_text_fn set_text = nullptr;
  standin_live_readers_fn live_readers = nullptr;
  standin_created_fn created = nullptr;
  standin_calls_fn calls = nullptr;
  live_blocks blocks;
  bool blocks_watched = false;
};
session the_session;

class module_environment final : public testing::Environment {
 public:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    // Freed strings must really go back to the allocator to be counted, not
    // into oleaut32's cache of freed strings.
    the_session.oleaut32 = LoadLibraryW(L"oleaut32.dll");
    const auto no_string_cache = resolve<void(WINAPI*)()>(the_session.oleaut32, "SetOaNoCache");
    ASSERT_NE(no_string_cache, nullptr);
    no_string_cache();
    ASSERT_EQ(CoRegisterMallocSpy(&the_session.blocks), S_OK);
    the_session.blocks_watched = true;

    session& s = the_session;
    s.standin = LoadLibraryW(AMBREL_STANDIN_PATH);
    ASSERT_NE(s.standin, nullptr) << "stand-in not loaded: " << GetLastError();
    s.set_behaviour = resolve<standin_set_behaviour_fn>(s.standin, "StandIn_SetBehaviour");
    s.set_text = resolve<standin_set_text_fn>(s.standin, "StandIn_SetText");
    s.live_readers = resolve<standin_live_readers_fn>(s.standin, "StandIn_LiveReaders");
    s.created = resolve<standin_created_fn>(s.standin, "StandIn_Created");
    s.calls = resolve<standin_calls_fn>(s.standin, "StandIn_Calls");
    ASSERT_TRUE(s.set_behaviour && s.set_text && s.live_readers && s.created && s.calls);

    s.module = LoadLibraryW(AMBREL_MODULE_PATH);
    ASSERT_NE(s.module, nullptr) << "module not loaded: " << GetLastError();
    s.get_file_info = resolve<get_file_info_fn>(s.module, "DVP_GetFileInfoFileW");
    ASSERT_NE(s.get_file_info, nullptr);
  }

  void TearDown() override {
    if (the_session.module != nullptr) {
      FreeLibrary(the_session.module);
    }
    if (the_session.standin != nullptr) {
      FreeLibrary(the_session.standin);
    }
    if (the_session.blocks_watched) {
      CoRevokeMallocSpy();
    }
    CoUninitialize();
    if (the_session.oleaut32 != nullptr) {
      FreeLibrary(the_session.oleaut32);
    }
  }
};
testing::Environment* const environment = testing::AddGlobalTestEnvironment(new module_environment);

void serve_text(const std::u16string& text) {
  the_session.set_text(reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()));
}

void serve_sidecars() { the_session.set_text(nullptr, 0); }

// ---------------------------------------------------------------------------
// The host's record: every byte starts as a sentinel, each text buffer is
// fenced by guard units, and guard bytes follow the record, so any write the
// module should not make shows up in a byte-for-byte comparison.

constexpr unsigned char record_fill = 0xA5;  // leaves the protected bit clear
constexpr char16_t buffer_fill = u'\xBEEF';
constexpr std::size_t guard_units = 8;
constexpr std::uint32_t default_capacity = 64;
constexpr std::uint32_t size_without_tempo = tempo_record_size - 4;

// A text field by its place in the record's order of text fields.
struct text_field {
  std::size_t index;
  const char* name;
};
constexpr text_field album{0, "album"};
constexpr text_field artist{1, "artist"};
constexpr text_field title{2, "title"};
constexpr text_field genre{3, "genre"};
constexpr text_field comment{4, "comment"};
constexpr text_field encoder{5, "encoder"};
constexpr text_field encoder_settings{6, "encoder settings"};
constexpr std::array<text_field, 7> text_fields{album, artist, title, genre, comment, encoder, encoder_settings};
static_assert(text_fields.size() == std::size(ambrel::host::music_text_fields));

struct record_block {
  music_info record;
  unsigned char after[32];
};
static_assert(sizeof(record_block) == sizeof(music_info) + 32);

// Everything the module could reach: the record, the bytes after it and each
// text buffer with its guards.
struct host_image {
  record_block block;
  std::array<std::u16string, text_fields.size()> buffers;

  music_info& record() { return block.record; }
  void set_text(const text_field& field, std::u16string_view value) {
    std::u16string written{value};
    written.push_back(0);
    buffers[field.index].replace(guard_units, written.size(), written);
  }
};

class host_record {
 public:
  explicit host_record(std::uint32_t size = sizeof(music_info), std::uint32_t capacity = default_capacity,
                       std::int32_t kind = ambrel::host::music_information_kind) {
    std::memset(&block_, record_fill, sizeof block_);
    for (const text_field& field : text_fields) {
      buffers_[field.index].assign(capacity + 2 * guard_units, buffer_fill);
      const auto& slot = ambrel::host::music_text_fields[field.index];
      block_.record.*slot.buffer = buffers_[field.index].data() + guard_units;
      block_.record.*slot.capacity = capacity;
    }
    block_.record.size = size;
    block_.record.kind = kind;
  }
  host_record(const host_record&) = delete;
  host_record& operator=(const host_record&) = delete;

  music_info* get() { return &block_.record; }

  host_image image() const {
    host_image copy;
    std::memcpy(&copy.block, &block_, sizeof block_);
    copy.buffers = buffers_;
    return copy;
  }

 private:
  record_block block_;
  std::array<std::u16string, text_fields.size()> buffers_;
};

struct named_offset {
  std::size_t offset;
  const char* name;
};
#define AMBREL_FIELD(name) named_offset{offsetof(music_info, name), #name}
constexpr named_offset record_layout[] = {
    AMBREL_FIELD(size), AMBREL_FIELD(kind), AMBREL_FIELD(host_word), AMBREL_FIELD(album),
    AMBREL_FIELD(album_capacity), AMBREL_FIELD(artist), AMBREL_FIELD(artist_capacity), AMBREL_FIELD(title),
    AMBREL_FIELD(title_capacity), AMBREL_FIELD(genre), AMBREL_FIELD(genre_capacity), AMBREL_FIELD(comment),
    AMBREL_FIELD(comment_capacity), AMBREL_FIELD(encoder), AMBREL_FIELD(encoder_capacity),
    AMBREL_FIELD(encoder_settings), AMBREL_FIELD(encoder_settings_capacity), AMBREL_FIELD(bit_rate),
    AMBREL_FIELD(sample_rate), AMBREL_FIELD(length), AMBREL_FIELD(track), AMBREL_FIELD(year),
    AMBREL_FIELD(channels), AMBREL_FIELD(flags), AMBREL_FIELD(host_pointer), AMBREL_FIELD(host_count),
    AMBREL_FIELD(tempo), named_offset{sizeof(music_info), "(after the record)"}};
#undef AMBREL_FIELD

const char* field_at(std::size_t offset) {
  const char* name = "?";
  for (const named_offset& field : record_layout) {
    if (field.offset <= offset) {
      name = field.name;
    }
  }
  return name;
}

std::string render(std::u16string_view text) {
  std::string out;
  for (const char16_t unit : text) {
    if (unit == buffer_fill) {
      out += '.';
    } else if (unit >= 0x20 && unit < 0x7F) {
      out += static_cast<char>(unit);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
      out += escaped;
    }
  }
  return out;
}

// Empty when both images are equal, else one line per difference.
std::string differences(const host_image& expected, const host_image& actual) {
  std::string out;
  const auto* want = reinterpret_cast<const unsigned char*>(&expected.block);
  const auto* got = reinterpret_cast<const unsigned char*>(&actual.block);
  for (std::size_t i = 0; i < sizeof(record_block); ++i) {
    if (want[i] != got[i]) {
      char line[96];
      std::snprintf(line, sizeof line, "record byte %zu (%s): expected %02X, got %02X\n", i, field_at(i), want[i],
                    got[i]);
      out += line;
    }
  }
  for (const text_field& field : text_fields) {
    if (expected.buffers[field.index] != actual.buffers[field.index]) {
      out += std::string(field.name) + " buffer (guards shown as dots):\n  expected " +
             render(expected.buffers[field.index]) + "\n  got      " + render(actual.buffers[field.index]) + "\n";
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// What a converter reports for a track, and what the module makes of it.

const std::u16string converter_text =
    u"Artist: Lena Marsh\r\n"
    u"Title: Harbour Lights\r\n"
    u"Album: Northern Piers\r\n"
    u"Track: 3/12\r\n"
    u"Year: 2004\r\n"
    u"Genre: Folk\r\n"
    u"Comment: Live take: first night\r\n"
    u"Encoder: LAME 3.100\r\n"
    u"Encoder Settings: -b 320 -q 0\r\n"
    u"Channels: 2\r\n"
    u"Bit Rate: 320 kbps\r\n"
    u"Sample Rate: 44.1 kHz\r\n"
    u"Length: 3 minutes 25 seconds\r\n"
    u"Tempo: 96\r\n"
    u"Protected: Yes\r\n";

void converter_text_written(host_image& expected, bool with_tempo) {
  expected.set_text(artist, u"Lena Marsh");
  expected.set_text(title, u"Harbour Lights");
  expected.set_text(album, u"Northern Piers");
  expected.set_text(genre, u"Folk");
  expected.set_text(comment, u"Live take: first night");
  expected.set_text(encoder, u"LAME 3.100");
  expected.set_text(encoder_settings, u"-b 320 -q 0");
  music_info& record = expected.record();
  record.track = 3;
  record.year = 2004;
  record.channels = 2;
  record.bit_rate = 320000;
  record.sample_rate = 44100;
  record.length = 205;
  record.flags |= protected_flag;
  if (with_tempo) {
    record.tempo = 96;
  }
}

constexpr const wchar_t* some_path = L"C:\\Music\\Lena Marsh\\03 Harbour Lights.mp3";

int request(const wchar_t* path, music_info* record) {
  return the_session.get_file_info(nullptr, path, nullptr, record);
}

// ---------------------------------------------------------------------------
// One request per row, on the main (single-threaded apartment) thread.

struct request_case {
  const char* name;
  std::u16string text;  // the reader's text, for behaviours that leave one
  int behaviour = standin_normal;
  bool from_sidecar = false;  // the reader reads the path's sidecar instead
  const wchar_t* path = some_path;
  std::int32_t kind = ambrel::host::music_information_kind;
  std::uint32_t size = sizeof(music_info);
  std::uint32_t capacity = default_capacity;
  bool reader_created = true;
  int result = 0;
  // The writes the module must make; none leaves the record untouched.
  std::function<void(host_image&)> written;
};

void PrintTo(const request_case& row, std::ostream* out) { *out << row.name; }

// Rows name only what differs from the defaults above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
const request_case request_cases[] = {
    // Success.
    {.name = "ConverterText",
     .text = converter_text,
     .result = 1,
     .written = [](host_image& e) { converter_text_written(e, true); }},
    {.name = "ConverterTextWithoutTempoField",
     .text = converter_text,
     .size = size_without_tempo,
     .result = 1,
     .written = [](host_image& e) { converter_text_written(e, false); }},
    {.name = "SingleLineWithoutLineBreak",
     .text = u"Artist: Some Name",
     .result = 1,
     .written = [](host_image& e) { e.set_text(artist, u"Some Name"); }},
    {.name = "NonAsciiText",
     .text = u"artist: Bj\u00F6rk\nTITLE: \u6D77\u306E\u6B4C \U0001F30A\n",
     .result = 1,
     .written =
         [](host_image& e) {
           e.set_text(artist, u"Bj\u00F6rk");
           e.set_text(title, u"\u6D77\u306E\u6B4C \U0001F30A");
         }},
    {.name = "TextsCutToSmallCapacity",
     .text = u"Artist: Lena Marsh\r\nTitle: Wave \U0001F30A\r\n",
     .capacity = 7,
     .result = 1,
     .written =
         [](host_image& e) {
           e.set_text(artist, u"Lena M");
           e.set_text(title, u"Wave ");  // never half a surrogate pair
         }},
    {.name = "PartAfterEmbeddedZeroIgnored",
     .text = u"Artist: Before\0Title: After\r\n"s,
     .result = 1,
     .written = [](host_image& e) { e.set_text(artist, u"Before"); }},
    {.name = "ProtectedNoLeavesFlag",
     .text = u"Protected: no\r\nYear: 1999\r\n",
     .result = 1,
     .written = [](host_image& e) { e.record().year = 1999; }},
    {.name = "UnusableLinesSkipped",
     .text = u"no colon here\r\nArtist:\r\n: value\r\nBit  Rate: 320 kbps\r\nGenre: Blues\r\n",
     .result = 1,
     .written = [](host_image& e) { e.set_text(genre, u"Blues"); }},
    // Only fields that do not count: changed, yet the request fails.
    {.name = "TempoAndProtectedDoNotCount",
     .text = u"Tempo: 120\r\nProtected: Yes\r\n",
     .written =
         [](host_image& e) {
           e.record().tempo = 120;
           e.record().flags |= protected_flag;
         }},
    {.name = "TempoWithoutTempoField",
     .text = u"Tempo: 120\r\n",
     .size = size_without_tempo},
    {.name = "CdBitRateDoesNotCount",
     .text = u"Bit Rate: 1,411 kbps\r\n",
     .written = [](host_image& e) { e.record().bit_rate = 0; }},
    // Failures: the record untouched.
    {.name = "KindZero", .text = converter_text, .kind = 0, .reader_created = false},
    {.name = "KindTwo", .text = converter_text, .kind = 2, .reader_created = false},
    {.name = "NullPath", .text = converter_text, .path = nullptr, .reader_created = false},
    {.name = "CreationRefused",
     .text = converter_text,
     .behaviour = standin_refuse_creation,
     .reader_created = false},
    {.name = "CreatedWithoutInterface",
     .text = converter_text,
     .behaviour = standin_null_interface,
     .reader_created = false},
    {.name = "MethodReturnsSFalseWithText", .behaviour = standin_fail_s_false},
    {.name = "MethodReturnsEFailWithText", .behaviour = standin_fail_e_fail},
    {.name = "NullText", .behaviour = standin_null_text},
    {.name = "EmptyText", .text = u""},
    {.name = "OnlyLineBreaks", .text = u"\r\n\r\n\n\r\r"},
    {.name = "ZeroFirst", .text = u"\0Artist: Hidden\r\n"s},
    {.name = "NoSidecarFile", .from_sidecar = true, .path = L"C:\\nowhere\\missing.flac"},
};
#pragma GCC diagnostic pop

class FileInfoRequest : public testing::TestWithParam<request_case> {
 protected:
  void SetUp() override {
    the_session.set_behaviour(standin_normal);
    serve_sidecars();
  }
  void TearDown() override {
    the_session.set_behaviour(standin_normal);
    serve_sidecars();
  }
};

TEST_P(FileInfoRequest, WritesOnlyWhatTheTextSays) {
  const request_case& row = GetParam();
  the_session.set_behaviour(row.behaviour);
  if (!row.from_sidecar) {
    serve_text(row.text);
  }
  host_record record(row.size, row.capacity, row.kind);
  host_image expected = record.image();
  if (row.written) {
    row.written(expected);
  }
  const long created_before = the_session.created();
  const long calls_before = the_session.calls();
  const std::size_t blocks_before = the_session.blocks.count();

  EXPECT_EQ(request(row.path, record.get()), row.result);

  EXPECT_EQ(differences(expected, record.image()), "");
  EXPECT_EQ(the_session.created() - created_before, row.reader_created ? 1 : 0);
  EXPECT_EQ(the_session.calls() - calls_before, row.reader_created ? 1 : 0);
  EXPECT_EQ(the_session.live_readers(), 0) << "a reader was not released";
  EXPECT_EQ(the_session.blocks.count(), blocks_before) << "a string of the request was not freed";
}

INSTANTIATE_TEST_SUITE_P(Rows, FileInfoRequest, testing::ValuesIn(request_cases),
                         [](const testing::TestParamInfo<request_case>& row) { return row.param.name; });

TEST(FileInfoRequestArguments, NullRecordGivesZero) {
  serve_text(converter_text);
  const long created_before = the_session.created();
  EXPECT_EQ(request(some_path, nullptr), 0);
  EXPECT_EQ(the_session.created(), created_before);
  serve_sidecars();
}

// ---------------------------------------------------------------------------
// The reader reads its text from a UTF-8 sidecar beside the file.

class temporary_file {
 public:
  temporary_file(std::wstring path, std::string_view bytes) : path_(std::move(path)) {
    HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      created_ = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                 written == bytes.size();
      CloseHandle(file);
    }
  }
  ~temporary_file() { DeleteFileW(path_.c_str()); }
  temporary_file(const temporary_file&) = delete;
  temporary_file& operator=(const temporary_file&) = delete;

  bool created() const { return created_; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  bool created_ = false;
};

std::wstring temporary_folder() {
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  return std::wstring(folder, length);
}

TEST(FileInfoSidecar, ReadsTagTextOfTheNamedFile) {
  serve_sidecars();
  const std::wstring audio_path = temporary_folder() + L"ambrel J\u00F3ga \u6D77.flac";
  const temporary_file audio(audio_path, "fLaC");
  const temporary_file sidecar(audio_path + STANDIN_SIDECAR_SUFFIX,
                               "\xEF\xBB\xBF"
                               "Artist: Bj\xC3\xB6rk\r\n"
                               "Title: \xE6\xB5\xB7\r\n"
                               "Sample Rate: 48000 Hz\r\n");
  ASSERT_TRUE(audio.created() && sidecar.created());

  host_record record;
  host_image expected = record.image();
  expected.set_text(artist, u"Bj\u00F6rk");
  expected.set_text(title, u"\u6D77");
  expected.record().sample_rate = 48000;

  EXPECT_EQ(request(audio_path.c_str(), record.get()), 1);
  EXPECT_EQ(differences(expected, record.image()), "");
  EXPECT_EQ(the_session.live_readers(), 0);
}

// ---------------------------------------------------------------------------
// Threads of a multithreaded apartment, one alone and several at once.

// Runs `work` on a new thread in the multithreaded apartment.
void on_mta_thread(const std::function<void()>& work) {
  std::thread thread([&] {
    if (CoInitializeEx(nullptr, COINIT_MULTITHREADED) != S_OK) {
      ADD_FAILURE() << "CoInitializeEx failed";
      return;
    }
    work();
    CoUninitialize();
  });
  thread.join();
}

TEST(FileInfoApartments, ServesMultithreadedApartmentThread) {
  serve_text(converter_text);
  host_record record;
  host_image expected = record.image();
  converter_text_written(expected, true);

  int result = -1;
  on_mta_thread([&] { result = request(some_path, record.get()); });

  EXPECT_EQ(result, 1);
  EXPECT_EQ(differences(expected, record.image()), "");
  EXPECT_EQ(the_session.live_readers(), 0);
  serve_sidecars();
}

TEST(FileInfoApartments, ServesSeveralThreadsAtOnce) {
  serve_text(converter_text);
  constexpr int thread_count = 4;
  constexpr int requests_per_thread = 50;
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < thread_count; ++t) {
    threads.emplace_back([&] {
      on_mta_thread([&] {
        for (int i = 0; i < requests_per_thread; ++i) {
          host_record record;
          host_image want = record.image();
          converter_text_written(want, true);
          if (request(some_path, record.get()) != 1 || !differences(want, record.image()).empty()) {
            ++mismatches;
          }
        }
      });
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_EQ(the_session.live_readers(), 0);
  serve_sidecars();
}

}  // namespace
