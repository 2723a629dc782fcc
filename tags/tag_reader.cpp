#include "tags/tag_reader.h"

#include <objbase.h>

namespace ambrel::tags {
namespace {

// {1C2E0932-61B5-4EAB-A832-06EE6564047D}
constexpr CLSID tag_reader_class = {0x1C2E0932, 0x61B5, 0x4EAB, {0xA8, 0x32, 0x06, 0xEE, 0x65, 0x64, 0x04, 0x7D}};
// {0AF59AC7-A0A3-4DAD-A040-95A935F1DE04}
constexpr IID tag_reader_interface = {0x0AF59AC7, 0xA0A3, 0x4DAD, {0xA0, 0x40, 0x95, 0xA9, 0x35, 0xF1, 0xDE, 0x04}};

// Only two entries of the reader's table are used: Release (through IUnknown)
// and the tag-text method, entry 29 counting QueryInterface as 0.
constexpr int tag_text_entry = 29;
using tag_text_method = HRESULT(STDMETHODCALLTYPE*)(IUnknown* self, BSTR path, BSTR* text);

tag_text_method tag_text_of(IUnknown* reader) noexcept {
  void* const* table = *reinterpret_cast<void* const* const*>(reader);
  return reinterpret_cast<tag_text_method>(table[tag_text_entry]);
}

}  // namespace

bool read_tag_text(BSTR path, unique_bstr& text) noexcept {
  com_ptr<IUnknown> reader;
  const HRESULT created =
      CoCreateInstance(tag_reader_class, nullptr, CLSCTX_INPROC_SERVER, tag_reader_interface, reader.put_void());
  if (created != S_OK || !reader) {
    return false;
  }
  const HRESULT result = tag_text_of(reader.get())(reader.get(), path, text.put());
  return result == S_OK;
}

}  // namespace ambrel::tags
