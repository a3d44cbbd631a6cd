#pragma once
// Owners of automation values: a BSTR and a VARIANT that free themselves.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

namespace scandrel::plugin {

class Bstr {
public:
    Bstr() noexcept = default;
    // Throws std::bad_alloc when the string can't be allocated.
    explicit Bstr(std::u16string_view text);
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept;
    Bstr& operator=(Bstr&& other) noexcept;
    ~Bstr() { SysFreeString(value_); }

    // Takes over a string the caller owns.
    static Bstr adopt(BSTR value) noexcept;

    BSTR get() const noexcept { return value_; }
    BSTR* put() noexcept;
    BSTR detach() noexcept;
    std::u16string text() const;

private:
    BSTR value_ = nullptr;
};

class Variant {
public:
    Variant() noexcept { VariantInit(&value_); }
    Variant(const Variant& other);
    Variant& operator=(const Variant& other);
    ~Variant() { VariantClear(&value_); }

    // A copy of `value` (strings, objects and arrays copied or referenced as VariantCopy does).
    static Variant copyOf(const VARIANT& value);
    static Variant text(std::u16string_view text);
    static Variant int32(int32_t number);

    VARIANT* get() noexcept { return &value_; }
    const VARIANT& value() const noexcept { return value_; }
    // Clears the current value first.
    VARIANT* put() noexcept;

private:
    VARIANT value_;
};

// The value as text, converted as the platform's variant conversion does; false when
// it can't be converted (null, objects without a value, errors).
bool toText(const VARIANT& value, std::u16string& text);

}  // namespace scandrel::plugin
