#include "plugin/com_values.h"

#include <new>
#include <utility>

namespace scandrel::plugin {

namespace {

// The platform's declarations take the source without const; it is only read.
VARIANTARG* source(const VARIANT& value) { return const_cast<VARIANTARG*>(&value); }

}  // namespace

Bstr::Bstr(std::u16string_view text)
    : value_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()))) {
    if (!value_) throw std::bad_alloc();
}

Bstr::Bstr(Bstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}

Bstr& Bstr::operator=(Bstr&& other) noexcept {
    std::swap(value_, other.value_);
    return *this;
}

Bstr Bstr::adopt(BSTR value) noexcept {
    Bstr result;
    result.value_ = value;
    return result;
}

BSTR* Bstr::put() noexcept {
    SysFreeString(std::exchange(value_, nullptr));
    return &value_;
}

BSTR Bstr::detach() noexcept { return std::exchange(value_, nullptr); }

std::u16string Bstr::text() const {
    if (!value_) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(value_), SysStringLen(value_));
}

Variant::Variant(const Variant& other) : Variant() {
    if (FAILED(VariantCopy(&value_, source(other.value_)))) throw std::bad_alloc();
}

Variant& Variant::operator=(const Variant& other) {
    if (this != &other && FAILED(VariantCopy(&value_, source(other.value_)))) throw std::bad_alloc();
    return *this;
}

Variant Variant::copyOf(const VARIANT& value) {
    Variant result;
    if (FAILED(VariantCopy(&result.value_, source(value)))) throw std::bad_alloc();
    return result;
}

Variant Variant::text(std::u16string_view text) {
    Variant result;
    V_VT(&result.value_) = VT_BSTR;
    V_BSTR(&result.value_) = Bstr(text).detach();
    return result;
}

Variant Variant::int32(int32_t number) {
    Variant result;
    V_VT(&result.value_) = VT_I4;
    V_I4(&result.value_) = number;
    return result;
}

VARIANT* Variant::put() noexcept {
    VariantClear(&value_);
    return &value_;
}

bool toText(const VARIANT& value, std::u16string& text) {
    Variant converted;
    if (FAILED(VariantChangeType(converted.get(), source(value), 0, VT_BSTR))) return false;
    text = Bstr::adopt(V_BSTR(converted.get())).text();
    V_VT(converted.get()) = VT_EMPTY;
    return true;
}

}  // namespace scandrel::plugin
