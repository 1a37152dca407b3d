#include "platform/unlha32/LhMethod.h"

namespace lha {

std::optional<LhMethod> LhMethodOf(std::string_view id) {
    if (id == "-lh4-")
        return LhMethod{12, 14, 4};
    if (id == "-lh5-")
        return kLh5;
    if (id == "-lh6-")
        return LhMethod{15, 16, 5};
    if (id == "-lh7-")
        return LhMethod{16, 17, 5};
    return std::nullopt;
}

}  // namespace lha
