#include "engine/CadApi.h"

std::string cadVersion() {
    return "0.1";
}
