#pragma once

// Owners for COM objects and strings, so every path releases what it made.
#include <windows.h>
#include <oleauto.h>

namespace ambrel::tags {

class unique_bstr {
 public:
  unique_bstr() noexcept = default;
  explicit unique_bstr(BSTR text) noexcept : text_(text) {}
  ~unique_bstr() { reset(); }
  unique_bstr(const unique_bstr&) = delete;
  unique_bstr& operator=(const unique_bstr&) = delete;

  BSTR get() const noexcept { return text_; }
  // For an out argument, which must be null on entry.
  BSTR* put() noexcept {
    reset();
    return &text_;
  }
  void reset() noexcept {
    if (text_ != nullptr) {
      SysFreeString(text_);
      text_ = nullptr;
    }
  }
  explicit operator bool() const noexcept { return text_ != nullptr; }

 private:
  BSTR text_ = nullptr;
};

template <class Interface>
class com_ptr {
 public:
  com_ptr() noexcept = default;
  ~com_ptr() { reset(); }
  com_ptr(const com_ptr&) = delete;
  com_ptr& operator=(const com_ptr&) = delete;

  Interface* get() const noexcept { return object_; }
  void** put_void() noexcept {
    reset();
    return reinterpret_cast<void**>(&object_);
  }
  void reset() noexcept {
    if (object_ != nullptr) {
      Interface* object = object_;
      object_ = nullptr;
      object->Release();
    }
  }
  explicit operator bool() const noexcept { return object_ != nullptr; }

 private:
  Interface* object_ = nullptr;
};

}  // namespace ambrel::tags
