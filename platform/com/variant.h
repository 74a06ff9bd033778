#pragma once
// A typed argument or result of a dispatch call. Strings are CP932 bytes, as the controls keep them.
#include <cstdint>
#include <string>
#include <variant>

namespace platform::com {

enum class VarType { Empty, I2, I4, R4, Bool, Bstr };

class Variant {
public:
    Variant() = default;
    static Variant I2(int16_t v) { return Variant(Value(std::in_place_index<1>, v)); }
    static Variant I4(int32_t v) { return Variant(Value(std::in_place_index<2>, v)); }
    static Variant R4(float v) { return Variant(Value(std::in_place_index<3>, v)); }
    static Variant Bool(bool v) { return Variant(Value(std::in_place_index<4>, v)); }
    static Variant Bstr(std::string v) { return Variant(Value(std::in_place_index<5>, std::move(v))); }

    VarType Type() const { return static_cast<VarType>(value_.index()); }

    // Checked reads: false (and *out untouched) when the type differs.
    bool Get(int16_t* out) const { return Read<1>(out); }
    bool Get(int32_t* out) const { return Read<2>(out); }
    bool Get(float* out) const { return Read<3>(out); }
    bool Get(bool* out) const { return Read<4>(out); }
    bool Get(std::string* out) const { return Read<5>(out); }

    // Unchecked reads for code that has validated the types already: wrong type gives the zero value.
    int16_t AsI2() const { int16_t v = 0; Get(&v); return v; }
    int32_t AsI4() const { int32_t v = 0; Get(&v); return v; }
    float AsR4() const { float v = 0; Get(&v); return v; }
    bool AsBool() const { bool v = false; Get(&v); return v; }
    std::string AsBstr() const { std::string v; Get(&v); return v; }

    friend bool operator==(const Variant&, const Variant&) = default;

private:
    using Value = std::variant<std::monostate, int16_t, int32_t, float, bool, std::string>;
    explicit Variant(Value v) : value_(std::move(v)) {}
    template <size_t I, typename T>
    bool Read(T* out) const {
        if (value_.index() != I) return false;
        *out = std::get<I>(value_);
        return true;
    }
    Value value_;
};

}  // namespace platform::com
