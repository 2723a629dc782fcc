#include "tools/probe/file_report.h"

#include <algorithm>
#include <array>

#include "tools/probe/report_lines.h"

namespace ambrel::probe {
namespace {

using host::music_info;

constexpr std::uint32_t text_capacity = 512;
// Prefilled values; a field still holding one was not set.
constexpr char16_t unset_text = u'\xFFFF';
constexpr std::int32_t unset_number = static_cast<std::int32_t>(0x80A5A5A5u);

// Room past the records, should a plugin know larger ones.
struct music_info_storage {
  music_info record;
  unsigned char spare[256];
};
struct file_identification_storage {
  host::file_identification record;
  unsigned char spare[256];
};

struct text_field {
  const wchar_t* label;
  char16_t* music_info::*buffer;
  std::uint32_t music_info::*capacity;
};
constexpr std::array<text_field, 7> text_fields{{
    {L"Artist", &music_info::artist, &music_info::artist_capacity},
    {L"Title", &music_info::title, &music_info::title_capacity},
    {L"Album", &music_info::album, &music_info::album_capacity},
    {L"Genre", &music_info::genre, &music_info::genre_capacity},
    {L"Comment", &music_info::comment, &music_info::comment_capacity},
    {L"Encoder", &music_info::encoder, &music_info::encoder_capacity},
    {L"Encoder settings", &music_info::encoder_settings, &music_info::encoder_settings_capacity},
}};

struct number_field {
  const wchar_t* label;
  std::int32_t music_info::*value;
  std::wstring (*format)(std::int32_t);
};
std::wstring plain(std::int32_t value) { return std::to_wstring(value); }
std::wstring bits_per_second(std::int32_t value) { return std::to_wstring(value) + L" bit/s"; }
std::wstring hertz(std::int32_t value) { return std::to_wstring(value) + L" Hz"; }
constexpr std::array<number_field, 7> number_fields{{
    {L"Track", &music_info::track, plain},
    {L"Year", &music_info::year, plain},
    {L"Channels", &music_info::channels, plain},
    {L"Bit rate", &music_info::bit_rate, bits_per_second},
    {L"Sample rate", &music_info::sample_rate, hertz},
    {L"Length", &music_info::length, format_length},
    {L"Tempo", &music_info::tempo, plain},
}};

// A full-size record whose text buffers and numbers hold the unset values.
class music_request {
 public:
  music_request() {
    storage_.record.size = sizeof(music_info);
    storage_.record.kind = host::music_information_kind;
    for (std::size_t i = 0; i < text_fields.size(); ++i) {
      texts_[i].fill(unset_text);
      storage_.record.*text_fields[i].buffer = texts_[i].data();
      storage_.record.*text_fields[i].capacity = text_capacity;
    }
    for (const number_field& field : number_fields) {
      storage_.record.*field.value = unset_number;
    }
    storage_.record.flags = 0;
  }
  music_request(const music_request&) = delete;
  music_request& operator=(const music_request&) = delete;

  music_info* record() noexcept { return &storage_.record; }

  std::wstring describe_set_fields() const {
    std::wstring report;
    for (std::size_t i = 0; i < text_fields.size(); ++i) {
      const auto& buffer = texts_[i];
      if (std::any_of(buffer.begin(), buffer.end(), [](char16_t c) { return c != unset_text; })) {
        // Up to the terminator, or the whole buffer from a plugin that left none.
        std::u16string text(buffer.data(), std::find(buffer.begin(), buffer.end(), u'\0') - buffer.begin());
        report += field_line(text_fields[i].label, from_host_text(text.c_str()));
      }
    }
    for (const number_field& field : number_fields) {
      const std::int32_t value = storage_.record.*field.value;
      if (value != unset_number) {
        report += field_line(field.label, field.format(value));
      }
    }
    if ((storage_.record.flags & host::protected_flag) != 0) {
      report += field_line(L"Protected", L"yes");
    }
    return report;
  }

 private:
  music_info_storage storage_{};
  std::array<std::array<char16_t, text_capacity>, text_fields.size()> texts_{};
};

}  // namespace

std::wstring probe_file(const plugin_exports& plugin, const std::wstring& path) {
  std::wstring report = field_line(L"File", path, 0);

  file_identification_storage identification{};
  const int accepted = plugin.identify_file(nullptr, path.c_str(), &identification.record, nullptr);
  report += field_line(L"Identify", accepted != 0 ? L"accepted" : L"not accepted (DVP_IdentifyFileW returned 0)");

  music_request request;
  const int result = plugin.get_file_info(nullptr, path.c_str(), nullptr, request.record());
  report += request.describe_set_fields();
  report += field_line(L"Result", result != 0 ? std::to_wstring(result) + L" (information found)"
                                              : std::wstring(L"0 (no information)"));
  return report;
}

}  // namespace ambrel::probe
