#pragma once

// The host's records, declared once for both Windows widths (and the native
// build, which shares the 64-bit layout). Only these declarations touch them.

#include <cstddef>
#include <cstdint>

namespace ambrel::host {

inline constexpr bool pointers_are_32_bit = sizeof(void*) == 4;

// Information kind asked of DVP_GetFileInfoFileW: music.
inline constexpr std::int32_t music_information_kind = 1;
// Protected-flag bit of music_info::flags.
inline constexpr std::uint32_t protected_flag = 8;

struct music_info {
  std::uint32_t size;
  std::int32_t kind;
  std::uint32_t host_word;  // never touched
  char16_t* album;
  std::uint32_t album_capacity;
  char16_t* artist;
  std::uint32_t artist_capacity;
  char16_t* title;
  std::uint32_t title_capacity;
  char16_t* genre;
  std::uint32_t genre_capacity;
  char16_t* comment;
  std::uint32_t comment_capacity;
  char16_t* encoder;
  std::uint32_t encoder_capacity;
  char16_t* encoder_settings;
  std::uint32_t encoder_settings_capacity;
  std::int32_t bit_rate;
  std::int32_t sample_rate;
  std::int32_t length;
  std::int32_t track;
  std::int32_t year;
  std::int32_t channels;
  std::uint32_t flags;
  void* host_pointer;  // never touched
  std::uint32_t host_count;  // never touched
  std::int32_t tempo;  // exists only in records at least tempo_record_size long
};

// The module writes up to here without consulting the size.
inline constexpr std::size_t music_info_minimum_size = offsetof(music_info, host_pointer);
inline constexpr std::size_t tempo_record_size = offsetof(music_info, tempo) + sizeof(std::int32_t);

struct music_text_field {
  char16_t* music_info::*buffer;
  std::uint32_t music_info::*capacity;
};
// The record's text buffers with their capacities, in record order.
inline constexpr music_text_field music_text_fields[] = {
    {&music_info::album, &music_info::album_capacity},
    {&music_info::artist, &music_info::artist_capacity},
    {&music_info::title, &music_info::title_capacity},
    {&music_info::genre, &music_info::genre_capacity},
    {&music_info::comment, &music_info::comment_capacity},
    {&music_info::encoder, &music_info::encoder_capacity},
    {&music_info::encoder_settings, &music_info::encoder_settings_capacity},
};

struct init_data {
  std::uint32_t size;
  void* window;
  std::uint32_t version_high;  // major << 16 | minor
  std::uint32_t version_low;   // build << 16 | revision
};

struct plugin_identity {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};

struct plugin_info {
  std::uint32_t size;
  std::uint32_t flags;
  std::uint32_t version_high;
  std::uint32_t version_low;
  const char16_t* extensions;
  char16_t* name;
  char16_t* description;
  char16_t* copyright;
  char16_t* web_address;
  std::uint32_t host_gap_1;
  std::uint32_t name_capacity;
  std::uint32_t description_capacity;
  std::uint32_t copyright_capacity;
  std::uint32_t web_address_capacity;
  std::int64_t value_1;
  std::int64_t value_2;
  std::int64_t value_3;
  std::int64_t value_4;
  std::uint32_t word_1;
  plugin_identity identity;
  std::uint8_t host_gap_2[12];
  void* icon;
  std::uint32_t host_gap_3;
};

// The module writes these two fields and reads none.
struct file_identification {
  std::uint32_t host_word;
  std::uint32_t flags;
  std::uint16_t accepted;
};

#define AMBREL_AT(record, field, x86, x64) \
  static_assert(offsetof(record, field) == (pointers_are_32_bit ? (x86) : (x64)), #record "::" #field)

AMBREL_AT(music_info, size, 0, 0);
AMBREL_AT(music_info, kind, 4, 4);
AMBREL_AT(music_info, host_word, 8, 8);
AMBREL_AT(music_info, album, 12, 16);
AMBREL_AT(music_info, album_capacity, 16, 24);
AMBREL_AT(music_info, artist, 20, 32);
AMBREL_AT(music_info, artist_capacity, 24, 40);
AMBREL_AT(music_info, title, 28, 48);
AMBREL_AT(music_info, title_capacity, 32, 56);
AMBREL_AT(music_info, genre, 36, 64);
AMBREL_AT(music_info, genre_capacity, 40, 72);
AMBREL_AT(music_info, comment, 44, 80);
AMBREL_AT(music_info, comment_capacity, 48, 88);
AMBREL_AT(music_info, encoder, 52, 96);
AMBREL_AT(music_info, encoder_capacity, 56, 104);
AMBREL_AT(music_info, encoder_settings, 60, 112);
AMBREL_AT(music_info, encoder_settings_capacity, 64, 120);
AMBREL_AT(music_info, bit_rate, 68, 124);
AMBREL_AT(music_info, sample_rate, 72, 128);
AMBREL_AT(music_info, length, 76, 132);
AMBREL_AT(music_info, track, 80, 136);
AMBREL_AT(music_info, year, 84, 140);
AMBREL_AT(music_info, channels, 88, 144);
AMBREL_AT(music_info, flags, 92, 148);
AMBREL_AT(music_info, host_pointer, 96, 152);
AMBREL_AT(music_info, host_count, 100, 160);
AMBREL_AT(music_info, tempo, 104, 164);
static_assert(sizeof(music_info) == (pointers_are_32_bit ? 108 : 168));
static_assert(music_info_minimum_size == (pointers_are_32_bit ? 96 : 152));
static_assert(tempo_record_size == sizeof(music_info));

AMBREL_AT(init_data, size, 0, 0);
AMBREL_AT(init_data, window, 4, 8);
AMBREL_AT(init_data, version_high, 8, 16);
AMBREL_AT(init_data, version_low, 12, 20);

static_assert(sizeof(plugin_identity) == 16);
AMBREL_AT(plugin_info, size, 0, 0);
AMBREL_AT(plugin_info, flags, 4, 4);
AMBREL_AT(plugin_info, version_high, 8, 8);
AMBREL_AT(plugin_info, version_low, 12, 12);
AMBREL_AT(plugin_info, extensions, 16, 16);
AMBREL_AT(plugin_info, name, 20, 24);
AMBREL_AT(plugin_info, description, 24, 32);
AMBREL_AT(plugin_info, copyright, 28, 40);
AMBREL_AT(plugin_info, web_address, 32, 48);
AMBREL_AT(plugin_info, host_gap_1, 36, 56);
AMBREL_AT(plugin_info, name_capacity, 40, 60);
AMBREL_AT(plugin_info, description_capacity, 44, 64);
AMBREL_AT(plugin_info, copyright_capacity, 48, 68);
AMBREL_AT(plugin_info, web_address_capacity, 52, 72);
AMBREL_AT(plugin_info, value_1, 56, 80);
AMBREL_AT(plugin_info, value_2, 64, 88);
AMBREL_AT(plugin_info, value_3, 72, 96);
AMBREL_AT(plugin_info, value_4, 80, 104);
AMBREL_AT(plugin_info, word_1, 88, 112);
AMBREL_AT(plugin_info, identity, 92, 116);
AMBREL_AT(plugin_info, host_gap_2, 108, 132);
AMBREL_AT(plugin_info, icon, 120, 144);
AMBREL_AT(plugin_info, host_gap_3, 124, 152);
static_assert(sizeof(plugin_info) == (pointers_are_32_bit ? 128 : 160));

AMBREL_AT(file_identification, flags, 4, 4);
AMBREL_AT(file_identification, accepted, 8, 8);

#undef AMBREL_AT

}  // namespace ambrel::host
