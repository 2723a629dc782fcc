#pragma once

// Tag texts shared by the tests and the benchmarks.

#include <string>

namespace ambrel::samples {

// What a converter returns for an ordinary file: twenty lines, CR LF.
inline const char16_t typical_tag_text[] =
    u"Artist: The Quiet Hours\r\n"
    u"Title: Northern Lights (Live)\r\n"
    u"Album: Songs for the Long Evening\r\n"
    u"Track: 3/12\r\n"
    u"Year: 2004\r\n"
    u"Genre: Ambient\r\n"
    u"Comment: recorded live: Oslo, 2003\r\n"
    u"Encoder: LAME 3.100\r\n"
    u"Encoder Settings: -V 2 --vbr-new\r\n"
    u"Bit Rate: 320 kbps\r\n"
    u"Sample Rate: 44.1 kHz\r\n"
    u"Length: 4 minutes 25 seconds\r\n"
    u"Channels: 2\r\n"
    u"Tempo: 120\r\n"
    u"Protected: No\r\n"
    u"Composer: A. Person\r\n"
    u"Disc: 1/2\r\n"
    u"Codec: MPEG Layer 3\r\n"
    u"Copyright: (c) 2004\r\n"
    u"Publisher: Small Label\r\n";

// The same text with "Protected: Yes", so a request sets the protected flag too.
inline std::u16string typical_protected_tag_text() {
  const std::u16string unprotected = u"Protected: No\r\n";
  std::u16string text = typical_tag_text;
  text.replace(text.find(unprotected), unprotected.size(), u"Protected: Yes\r\n");
  return text;
}

}  // namespace ambrel::samples
