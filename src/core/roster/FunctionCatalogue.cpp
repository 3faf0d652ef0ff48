#include "core/roster/FunctionCatalogue.h"

const std::array<const char*, kBuiltinCodes> Letter = {" ", "*", "Š", "O", "Z",
                                                       "M", "U", "D", "K", "C"};
const std::array<const char*, kBuiltinCodes> LongName = {
    "Brez",
    "Privzeto stanje funkcij",
    "Spremeni število vagonov",
    "Spremeni poprečno obtežbo vagonov",
    "Spremeni tip zavore",
    "Vklop/Izklop motorja",
    "Utišaj zvok",
    "Vklop/Izklop dinamične zavore",
    "Zvok kompresorja",
    "Cviljenje zavor",
};
const std::array<const char*, kBuiltinCodes> ShortName = {
    "",           "Privzeto",        "Število vagonov", "Poprečna obtežba vagonov",
    "Tip zavore", "Vklop motorja",   "Utišaj",          "Dinamične zavore",
    "Kompresor",  "Cviljenje zavor",
};
const std::array<int, kBuiltinCodes> DefaultStatus = {2, 4, 0, 0, 0, 2, 2, 2, 2, 3};
const std::array<bool, kBuiltinCodes> InputOnly = {false, false, true,  true,  true,
                                                   false, false, false, false, false};
const std::array<bool, kBuiltinCodes> KeyAllowed = {true, false, true, true,  true,
                                                    true, true,  true, false, false};
const std::array<bool, kBuiltinCodes> MapAllowed = {true, true, false, false, false,
                                                    true, true, true,  true,  true};

std::size_t BuiltinIndex(int code) {
    return code >= 0 && code < kBuiltinCodes ? static_cast<std::size_t>(code) : 0;
}

bool IsKeyAllowed(int builtinCode) {
    return KeyAllowed[BuiltinIndex(builtinCode)];
}
bool IsMapAllowed(int builtinCode) {
    return MapAllowed[BuiltinIndex(builtinCode)];
}

std::string KeyText(const FunctionDef& function, const char* noKey) {
    if (function.Fkey >= 0)
        return 'F' + std::to_string(function.Fkey);
    return IsKeyAllowed(function.Builtin) ? noKey : "---";
}

int FunctionCatalogue::FindById(int id) const {
    for (int i = 0; i < count; ++i)
        if (entries[static_cast<std::size_t>(i)].Id == id)
            return i;
    return -1;
}

int FunctionCatalogue::FindByBuiltin(int code) const {
    for (int i = 0; i < count; ++i)
        if (entries[static_cast<std::size_t>(i)].Builtin == code)
            return i;
    return -1;
}

int FunctionCatalogue::FindByFkey(int key) const {
    for (int i = 0; i < count; ++i)
        if (entries[static_cast<std::size_t>(i)].Fkey == key)
            return i;
    return -1;
}

const FunctionDef* FunctionCatalogue::ById(int id) const {
    int i = FindById(id);
    return i < 0 ? nullptr : &entries[static_cast<std::size_t>(i)];
}
