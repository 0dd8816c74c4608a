// The engine's questions and messages, shown through the platform like the program's own.
#pragma once

#include "engine/CadApi.h"

class EngineResponder : public CadResponder {
public:
    int ask(std::string_view caption, std::string_view text, bool withCancel) override;
    void tell(std::string_view caption, std::string_view text, bool error) override;
    std::optional<std::string> saveFileName(std::string_view caption, std::string_view filter,
                                            std::string_view suggestedPath) override;
    std::optional<std::string> openFileName(std::string_view caption, std::string_view filter,
                                            std::string_view folder) override;
};
