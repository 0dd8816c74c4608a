// The engine's own questions and messages on Qt widgets.
#pragma once

#include "engine/CadApi.h"

#include <QString>

namespace cad {

class QtResponder : public CadResponder {
public:
    int ask(std::string_view caption, std::string_view text, bool withCancel) override;
    void tell(std::string_view caption, std::string_view text, bool error) override;
    std::optional<std::string> saveFileName(std::string_view caption, std::string_view filter,
                                            std::string_view suggestedPath) override;
    std::optional<std::string> openFileName(std::string_view caption, std::string_view filter,
                                            std::string_view folder) override;
};

// A Windows-1250 text as a Qt string.
QString fromEngineText(std::string_view bytes);
// The engine's text of a number (the program's, else the engine's own) as a Qt string.
QString engineText(int number);

} // namespace cad
