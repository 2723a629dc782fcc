#include "tags/key_table.h"

#include <algorithm>
#include <iterator>

#include "tags/decimal.h"
#include "tags/measured_values.h"
#include "text/string_helpers.h"

namespace ambrel::tags {
namespace {

using host::music_info;

template <char16_t* music_info::*Buffer, std::uint32_t music_info::*Capacity>
bool store_text(std::u16string& value, music_info& record) {
  text::copy_bounded(record.*Buffer, value.c_str(), record.*Capacity);
  return true;
}

template <std::int32_t music_info::*Field>
bool store_integer(std::u16string& value, music_info& record) {
  record.*Field = to_int32(value);
  return true;
}

bool store_tempo(std::u16string& value, music_info& record) {
  record.tempo = to_int32(value);
  return false;
}

bool is_no(std::u16string_view value) noexcept {
  return value.size() == 2 && (value[0] == u'N' || value[0] == u'n') &&
         (value[1] == u'O' || value[1] == u'o');
}

bool store_protected(std::u16string& value, music_info& record) {
  if (!is_no(value)) {
    record.flags |= host::protected_flag;
  }
  return false;
}

constexpr std::u16string_view tempo_key = u"TEMPO";

constexpr key_entry key_table[] = {
    {u"ARTIST", store_text<&music_info::artist, &music_info::artist_capacity>},
    {u"TITLE", store_text<&music_info::title, &music_info::title_capacity>},
    {u"ALBUM", store_text<&music_info::album, &music_info::album_capacity>},
    {u"TRACK", store_integer<&music_info::track>},
    {u"YEAR", store_integer<&music_info::year>},
    {u"CHANNELS", store_integer<&music_info::channels>},
    {u"BIT RATE", parse_bit_rate},
    {u"SAMPLE RATE", parse_sample_rate},
    {u"LENGTH", parse_length},
    {u"GENRE", store_text<&music_info::genre, &music_info::genre_capacity>},
    {u"COMMENT", store_text<&music_info::comment, &music_info::comment_capacity>},
    {u"ENCODER", store_text<&music_info::encoder, &music_info::encoder_capacity>},
    {u"ENCODER SETTINGS", store_text<&music_info::encoder_settings, &music_info::encoder_settings_capacity>},
    {tempo_key, store_tempo},
    {u"PROTECTED", store_protected},
};

static_assert(std::all_of(std::begin(key_table), std::end(key_table),
                          [](const key_entry& entry) { return entry.key.size() <= longest_key; }));

}  // namespace

const key_entry* find_key(std::u16string_view upper_key, const music_info& record) noexcept {
  const auto* entry = std::find_if(std::begin(key_table), std::end(key_table),
                                   [&](const key_entry& e) { return e.key == upper_key; });
  if (entry == std::end(key_table)) {
    return nullptr;
  }
  if (entry->key == tempo_key && record.size < host::tempo_record_size) {
    return nullptr;
  }
  return entry;
}

}  // namespace ambrel::tags
