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

// The text of a number, or nothing when the table does not hold it.
std::optional<std::string_view> FindEngineString(int number);
