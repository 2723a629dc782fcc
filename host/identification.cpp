#include "host/identification.h"

#include "host/lifecycle.h"
#include "host/version_info.h"  // Windows edge, linked into the module only

namespace ambrel::host {
namespace {

// The host gets this address, never a copy: it must live as long as the module.
constexpr char16_t extension_list[] =
    u".aac;.m4a;.m4b;.mpc;.mp+;.mpp;.ape;.ofr;.ofs;.shn;.tta;.wv;.wvc;.spx;.aif;.aiff;.aifc;.snd;.w64;"
    u".ogg;.flac;.fla";

// {1A88930C-CD54-4B6D-8F1F-C66C65F6B83C}
constexpr plugin_identity identity = {
    0x1A88930C, 0xCD54, 0x4B6D, {0x8F, 0x1F, 0xC6, 0x6C, 0x65, 0xF6, 0xB8, 0x3C}};

constexpr std::uint32_t plugin_flags = 0x41014;
constexpr int icon_id = 101;

}  // namespace

bool identify(plugin_info* info) {
  if (info == nullptr || info->size < sizeof(plugin_info)) {
    return false;
  }
  // Fixed values first: they stay in the record when the version reading fails.
  info->flags = plugin_flags;
  if (info->extensions != nullptr) {
    info->extensions = extension_list;
  }
  info->value_1 = 32;
  info->value_2 = 0;
  info->value_3 = info->value_1;
  info->value_4 = info->value_2;
  info->word_1 = 1;
  info->identity = identity;
  return read_version_info(module_handle(), icon_id, info);
}

}  // namespace ambrel::host
