#pragma once
// The function catalogue: the named functionalities that a locomotive's function map ties
// to decoder functions, and the builtin function codes with their fixed tables.

#include <array>
#include <string>

struct FunctionDef {
    int Id = 0;      // 0..29 ordinary, negative internal; unique; 0 only for the first entry
    int Builtin = 0; // builtin code 0..9, 0 an ordinary function
    int Status = 0;  // 0 hidden, 1 disabled, 2 default inactive, 3 default active, 4 always
    int Fkey = -1;   // throttle key F0..F12, -1 none
    std::string Name;
    bool operator==(const FunctionDef&) const = default;
};

inline constexpr int kBuiltinCodes = 10;
inline constexpr int kBuiltinDefault = 1; // the default-state function

namespace builtin {
enum Code {
    kNone = 0,
    kDefaultState = 1,
    kNumberOfCars = 2,
    kCarLoad = 3,
    kBrakeType = 4,
    kMotor = 5,
    kMute = 6,
    kDynamicBrake = 7,
    kCompressor = 8,
    kBrakeSqueal = 9,
};
} // namespace builtin

// The builtin tables, indexed by code 0..9.
extern const std::array<const char*, kBuiltinCodes> Letter;
extern const std::array<const char*, kBuiltinCodes> LongName;
extern const std::array<const char*, kBuiltinCodes> ShortName;
extern const std::array<int, kBuiltinCodes> DefaultStatus;
extern const std::array<bool, kBuiltinCodes> InputOnly;
extern const std::array<bool, kBuiltinCodes> KeyAllowed;
extern const std::array<bool, kBuiltinCodes> MapAllowed;

// The same tables, safe for any code (an unknown code reads as code 0).
std::size_t BuiltinIndex(int builtinCode);
bool IsKeyAllowed(int builtinCode);
bool IsMapAllowed(int builtinCode);

// The key column of a function list: "F<key>"; without a key `noKey` where a key may switch
// the function, "---" where none may.
std::string KeyText(const FunctionDef& function, const char* noKey);

struct FunctionCatalogue {
    static constexpr int kCapacity = 30;
    std::array<FunctionDef, kCapacity> entries{};
    int count = 0;

    // Positions in the catalogue, -1 when none.
    int FindById(int id) const;
    int FindByBuiltin(int code) const;
    int FindByFkey(int key) const;
    const FunctionDef* ById(int id) const;
};
