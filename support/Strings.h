// The texts that the engine asks the program for by number: its dialogs, prompts, hints,
// status lines and messages, mostly in Polish.
#pragma once

#include <optional>
#include <span>
#include <string_view>

struct EngineString {
    int number;
    std::string_view text; // Windows-1250 bytes
};

// The whole table, in increasing order of number.
std::span<const EngineString> EngineStringTable();
// The program's own texts, in increasing order of number: for the numbers the engine asks for
// that the table above does not hold. No number is in both.
std::span<const EngineString> ProgramStringTable();

// The text of a number from either table, or nothing when neither holds it.
std::optional<std::string_view> FindEngineString(int number);
