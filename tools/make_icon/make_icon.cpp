// Writes the plugin's icon file: one 16x16 picture of two beamed notes,
// stored as 4-, 8- and 32-bit images, in that order.
//
//   make_icon resources/AmbrelTags.ico
//
// The output depends on nothing but this source, so the committed icon can
// be regenerated and compared byte for byte.
#include <array>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string_view>
#include <vector>

namespace {

constexpr int side = 16;

// Top row first. '.' is transparent, 'k' the outline, 'a' amber, 'y' light.
constexpr std::array<std::string_view, side> picture = {
    "................",
    "................",
    "....kkkkkkkkkkk.",
    "....kyyyyyyyyyk.",
    "....kaaaaaaaaak.",
    "....kakkkkkkkak.",
    "....kak.....kak.",
    "....kak.....kak.",
    "....kak.....kak.",
    "....kak.....kak.",
    "..kkkak...kkkak.",
    ".kaaaak..kaaaak.",
    "kayaaak.kayaaak.",
    "kaaaak..kaaaak..",
    ".kkkk....kkkk...",
    "................",
};

constexpr bool picture_is_square() {
  for (std::string_view row : picture) {
    if (row.size() != side) {
      return false;
    }
  }
  return true;
}
static_assert(picture_is_square());

struct colour {
  std::uint8_t red, green, blue;
};

// Palette index 0 is black: what a transparent pixel holds under its mask.
constexpr std::array<colour, 4> palette = {{
    {0x00, 0x00, 0x00},
    {0x4a, 0x2a, 0x00},
    {0xf5, 0xa6, 0x00},
    {0xff, 0xe0, 0x8a},
}};

int palette_index(char pixel) {
  switch (pixel) {
    case 'k': return 1;
    case 'a': return 2;
    case 'y': return 3;
    default: return 0;
  }
}

bool transparent(int x, int y) { return picture[y][x] == '.'; }

class byte_writer {
 public:
  void u8(unsigned value) { bytes_.push_back(static_cast<std::uint8_t>(value)); }
  void u16(unsigned value) {
    u8(value & 0xff);
    u8(value >> 8);
  }
  void u32(std::uint32_t value) {
    u16(value & 0xffff);
    u16(value >> 16);
  }
  void append(const std::vector<std::uint8_t>& more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }
  void pad_row(std::size_t row_start) {
    while ((bytes_.size() - row_start) % 4 != 0) {
      u8(0);
    }
  }
  std::size_t size() const { return bytes_.size(); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

constexpr std::uint32_t row_bytes(int bits) { return ((side * bits + 31) / 32) * 4; }

// A standard icon image: bitmap header of double height, colour table,
// colour rows and mask rows, both bottom-up.
std::vector<std::uint8_t> icon_image(int bits) {
  const std::uint32_t colours = bits <= 8 ? (1u << bits) : 0;
  const std::uint32_t pixel_size = row_bytes(bits) * side + row_bytes(1) * side;
  byte_writer out;
  out.u32(40);
  out.u32(side);
  out.u32(side * 2);
  out.u16(1);
  out.u16(bits);
  out.u32(0);
  out.u32(pixel_size);
  out.u32(0);
  out.u32(0);
  out.u32(0);
  out.u32(0);
  for (std::uint32_t i = 0; i < colours; ++i) {
    const colour c = i < palette.size() ? palette[i] : colour{0, 0, 0};
    out.u8(c.blue);
    out.u8(c.green);
    out.u8(c.red);
    out.u8(0);
  }
  for (int y = side - 1; y >= 0; --y) {
    const std::size_t row_start = out.size();
    for (int x = 0; x < side; ++x) {
      const int index = palette_index(picture[y][x]);
      if (bits == 4) {
        if (x % 2 == 1) {
          continue;
        }
        out.u8(index << 4 | palette_index(picture[y][x + 1]));
      } else if (bits == 8) {
        out.u8(index);
      } else {
        const colour c = palette[index];
        out.u8(c.blue);
        out.u8(c.green);
        out.u8(c.red);
        out.u8(transparent(x, y) ? 0 : 0xff);
      }
    }
    out.pad_row(row_start);
  }
  for (int y = side - 1; y >= 0; --y) {
    const std::size_t row_start = out.size();
    for (int x = 0; x < side; x += 8) {
      unsigned mask = 0;
      for (int bit = 0; bit < 8; ++bit) {
        mask = mask << 1 | (transparent(x + bit, y) ? 1u : 0u);
      }
      out.u8(mask);
    }
    out.pad_row(row_start);
  }
  return out.bytes();
}

std::vector<std::uint8_t> icon_file() {
  struct entry {
    int bits;
    int colour_count;
  };
  constexpr std::array<entry, 3> entries = {{{4, 16}, {8, 0}, {32, 0}}};
  std::vector<std::vector<std::uint8_t>> images;
  for (const entry& e : entries) {
    images.push_back(icon_image(e.bits));
  }
  byte_writer out;
  out.u16(0);
  out.u16(1);  // icon, not cursor
  out.u16(entries.size());
  std::uint32_t offset = 6 + 16 * entries.size();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    out.u8(side);
    out.u8(side);
    out.u8(entries[i].colour_count);
    out.u8(0);
    out.u16(1);
    out.u16(entries[i].bits);
    out.u32(images[i].size());
    out.u32(offset);
    offset += images[i].size();
  }
  for (const auto& image : images) {
    out.append(image);
  }
  return out.bytes();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_icon OUTPUT.ico\n";
    return 2;
  }
  const std::vector<std::uint8_t> bytes = icon_file();
  std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    std::cerr << "make_icon: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
