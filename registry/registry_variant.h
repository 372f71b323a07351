#pragma once
// The tagged value exchanged with the registry operations. Texts are kept as
// bytes in the system's ANSI code page, exactly as the "A" registry calls see
// them; a read by wide names gives its texts as wide text, with all their letters.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace qb {

using ByteArray = std::vector<std::uint8_t>;

class RegistryVariant {
 public:
  // The order of the alternatives is the order of Kind.
  enum class Kind { Empty, Int16, Int32, Text, Bytes, Boolean, Double, WideText };

  RegistryVariant() = default;  // empty
  static RegistryVariant Int16(std::int16_t v) { return RegistryVariant(Value(std::in_place_index<1>, v)); }
  static RegistryVariant Int32(std::int32_t v) { return RegistryVariant(Value(std::in_place_index<2>, v)); }
  static RegistryVariant Text(std::string v) { return RegistryVariant(Value(std::in_place_index<3>, std::move(v))); }
  static RegistryVariant Bytes(ByteArray v) { return RegistryVariant(Value(std::in_place_index<4>, std::move(v))); }
  static RegistryVariant Boolean(bool v) { return RegistryVariant(Value(std::in_place_index<5>, v)); }
  static RegistryVariant Double(double v) { return RegistryVariant(Value(std::in_place_index<6>, v)); }
  static RegistryVariant WideText(std::wstring v) {
    return RegistryVariant(Value(std::in_place_index<7>, std::move(v)));
  }

  Kind kind() const { return static_cast<Kind>(value_.index()); }
  bool IsEmpty() const { return kind() == Kind::Empty; }
  bool IsText() const { return kind() == Kind::Text; }
  bool IsWideText() const { return kind() == Kind::WideText; }
  // Neither empty nor an empty text of either width: what the account list counts as a value.
  bool HasValue() const {
    return !IsEmpty() && !(IsText() && text().empty()) && !(IsWideText() && wideText().empty());
  }

  std::int16_t int16() const { return std::get<1>(value_); }
  std::int32_t int32() const { return std::get<2>(value_); }
  const std::string& text() const { return std::get<3>(value_); }
  const ByteArray& bytes() const { return std::get<4>(value_); }
  bool boolean() const { return std::get<5>(value_); }
  double number() const { return std::get<6>(value_); }
  const std::wstring& wideText() const { return std::get<7>(value_); }

  bool operator==(const RegistryVariant&) const = default;

 private:
  using Value =
      std::variant<std::monostate, std::int16_t, std::int32_t, std::string, ByteArray, bool, double, std::wstring>;
  explicit RegistryVariant(Value v) : value_(std::move(v)) {}
  Value value_;
};

}  // namespace qb
